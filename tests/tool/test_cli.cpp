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
      {"extract", "Setup.dat"},  // no -o
  };
  for (const auto& args : usage_errors) {
    const ToolRun run = run_tool(args);
    EXPECT_EQ(run.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_NE(run.err.find("--help'"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  for (const char* command : {"pack", "extract", "list", "verify", "log"}) {
    const ToolRun help = run_tool({command, "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: setupdat ") + command, 0), 0u) << help.out;
    EXPECT_EQ(run_tool({"help", command}).out, help.out);
  }
  // The offending word is named, after the command it went to.
  const ToolRun extra = run_tool({"help", "pack", "extra"});
  EXPECT_NE(extra.err.find("not expected: extra"), std::string::npos) << extra.err;
  EXPECT_NE(run_tool({"frobnicate"}).err.find("not expected: frobnicate"), std::string::npos);
  EXPECT_NE(run_tool({"list", "--jsn", "a"}).err.find("--jsn\nTry 'setupdat list --help'."),
            std::string::npos);
  EXPECT_EQ(run_tool({"-h"}).code, 0);
  EXPECT_NE(run_tool({"--help"}).out.find("Exit codes"), std::string::npos);
  const ToolRun version = run_tool({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "setupdat 2.0\n");
}
