// The command line in-process: usage errors and help, on every build (the Windows one under Wine).
#include <gtest/gtest.h>

#include "support.h"

TEST(Cli, UsageErrorsExitWith2AndHelpWith0) {
  const std::vector<std::vector<std::string>> usage_errors = {
      {},
      {"frobnicate"},
      {"list"},
      {"list", "a", "b"},
      {"list", "--jsn", "a"},
      {"log", "--json", "--json", "a"},
      {"verify", "a", "--source-dir"},
      {"pack", "src", "-o", "out", "--product", "P", "--settings-key", "K"},  // no --date
      {"help", "frobnicate"},
      {"help", "pack", "extra"},
  };
  for (const auto& args : usage_errors) {
    const ToolRun run = run_tool(args);
    EXPECT_EQ(run.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_NE(run.err.find("--help'"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  for (const char* command : {"pack", "list", "verify", "log"}) {
    const ToolRun help = run_tool({command, "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: setupdat ") + command, 0), 0u) << help.out;
    EXPECT_EQ(run_tool({"help", command}).out, help.out);
  }
  // A known command with a word too many is told as such, not as a command without help.
  const ToolRun extra = run_tool({"help", "pack", "extra"});
  EXPECT_NE(extra.err.find("too many arguments"), std::string::npos) << extra.err;
  EXPECT_EQ(extra.err.find("no help"), std::string::npos) << extra.err;
  EXPECT_NE(run_tool({"help", "frobnicate"}).err.find("no help for 'frobnicate'"),
            std::string::npos);
  EXPECT_EQ(run_tool({"-h"}).code, 0);
  EXPECT_NE(run_tool({"--help"}).out.find("Exit codes"), std::string::npos);
}
