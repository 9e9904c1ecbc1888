#include "commands/error_reporter.h"

#include <gtest/gtest.h>

#include "script/script_container.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::commands {
namespace {

class RecordingDialogs final : public platform::Dialogs {
 public:
  void showError(std::string_view text) override { errors.emplace_back(text); }
  bool ask(std::string_view, std::string_view, bool answer) override { return answer; }
  void inform(std::string_view, std::string_view) override {}
  int choose(std::string_view, std::string_view, std::span<const std::string>, int d,
             int /*cancel*/) override {
    return d;
  }
  std::vector<std::string> errors;
};

class ErrorReporterTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  script::ScriptTables tables;
  script::Interpreter interpreter{tables};
  RecordingDialogs dialogs;
  testing::RecordingConsole console;
  ErrorReporter reporter{interpreter, dialogs, console, dir.path()};
};

TEST_F(ErrorReporterTest, ContextNamesTheUserCommandEveryCallFrameAndTheCurrentLine) {
  interpreter.slot(1).name = "script/1.txt";
  interpreter.slot(0).hash = 77;
  // Called from line 3 of the first script (resuming on the same line) and
  // then from line 11 of another one (resuming on the next line).
  interpreter.callStack().push_back({1, 2, 0, 77});
  interpreter.callStack().push_back({10, 0, 0, 12345});
  interpreter.switchToScript(script::secondScriptHash());
  testing::RecordingSink unused;
  script::ScriptContainer noContainer("", unused, interpreter.commandName());
  interpreter.applyPendingSwitch(noContainer);
  interpreter.setLine(4);
  interpreter.setSubroutineName("mine");
  interpreter.commandName().set("print");

  reporter.reportWithContext("oops");

  const std::string expected =
      "mine oops\r\n" + util::hashDisplayName(77) + "[3]\r\nC1P[11]\r\n" + "script/1.txt[5] print";
  EXPECT_EQ(dialogs.errors, (std::vector<std::string>{expected}));
  EXPECT_EQ(dir.read("Information.txt"), expected + "\r\n");
}

TEST_F(ErrorReporterTest, LogUsesCrLfThroughoutAndAppends) {
  reporter.reportPlain("loadLabel\nscript.dat gone");
  reporter.reportPlain(util::toSjis(u8"二行目"));
  EXPECT_EQ(dir.read("Information.txt"),
            "loadLabel\r\nscript.dat gone\r\n" + util::toSjis(u8"二行目") + "\r\n");
  EXPECT_EQ(dialogs.errors.size(), 2U);
}

TEST_F(ErrorReporterTest, HiddenReportsOnlyPrint) {
  interpreter.commandName().set("error");
  reporter.reportWithContext("quiet", false);
  reporter.reportPlain("plain", false);
  EXPECT_EQ(console.out, "quiet\nplain\n");
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(dir.read("Information.txt"), "");
}

TEST_F(ErrorReporterTest, UnwritableLogStillShowsTheBox) {
  ErrorReporter nowhere{interpreter, dialogs, console, dir.path() + "missing/folder/"};
  nowhere.reportPlain("still shown");
  EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"still shown"}));
}

}  // namespace
}  // namespace tsuzuri::commands
