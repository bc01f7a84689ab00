// install_probe SOURCE DEST: installs SOURCE\Setup.dat into DEST (both named without their
// trailing backslash, lest it escape a closing quote), without shortcuts. Ends with 3 when the
// run returned and 4 when a failure left it; a fatal stop ends it with 0 once its warning is
// answered.
#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "install/installation.h"
#include "win/app.h"

namespace {

class PumpOnly final : public InstallProgress {
 public:
  void set_status(const std::string&) override {}
  void set_range(std::uint16_t) override {}
  void step() override {}
  void fill() override {}
  void process_messages() override { app::process_messages(); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  InstallRun run;
  run.source_dir = add_backslash(argv[1]);
  run.dest_dir = add_backslash(argv[2]);
  run.setup_data_path = run.source_dir + texts::setup_data_name;
  run.shortcuts = {false, false};
  PumpOnly progress;
  try {
    run_installation(run, progress);
  } catch (const Failure&) {
    return 4;
  }
  return 3;
}
