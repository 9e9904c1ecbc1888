#include <gtest/gtest.h>

#include "script/host_variables.h"
#include "script/script_world.h"
#include "util/crc.h"

namespace tsuzuri::script {
namespace {

using testing::ScriptWorld;

TEST(VariableBuiltinsTest, HostFunctionsReachNumberedAndDeclaredVariablesOnly) {
  ScriptWorld world;
  HostVariables host(world.expression);
  host.newScriptInteger("count = 2 + 3, other");
  host.newScriptString("\"na\" + \"me\" = \"Mio\"");

  EXPECT_EQ(host.getScriptInteger(std::string_view("count")), 5);
  EXPECT_EQ(host.getScriptInteger(std::string_view("other")), 0);
  EXPECT_EQ(host.getScriptString(std::string_view("name")), "Mio");
  EXPECT_EQ(host.setScriptInteger(std::int64_t{255}, -4), -4);
  EXPECT_EQ(*world.variables.numberedInteger(255), -4);
  EXPECT_EQ(host.setScriptString(std::int64_t{0}, "zero"), "zero");

  // Names never declared and numbers outside 0-255 give nothing and
  // create nothing.
  EXPECT_EQ(host.setScriptInteger(std::string_view("missing"), 1), std::nullopt);
  EXPECT_EQ(host.getScriptString(std::int64_t{256}), std::nullopt);
  EXPECT_EQ(host.setScriptString(std::int64_t{-1}, "x"), std::nullopt);
  EXPECT_EQ(world.variables.findInteger("missing"), nullptr);
}

TEST(VariableBuiltinsTest, SingleValueBuiltinsHandleTheirEdges) {
  ScriptWorld world;
  world.load(0, "script/0.txt",
             "mid $0, \"abcdef\", -3, 2\n"
             "mid $1, \"abc\", 1, 99\n"
             "rand %0, -2147483648, 2147483647\n"
             "rand %1, 5, 5\n"
             "itos16 $2, -1.9\n"
             "cal $3 = \"ab\" : upper $3\n"
             "len %2, \"\"\n");
  world.run();
  EXPECT_EQ(*world.variables.numberedText(0), "ab");
  EXPECT_EQ(*world.variables.numberedText(1), "bc");
  EXPECT_EQ(*world.variables.numberedInteger(1), 5);
  EXPECT_EQ(*world.variables.numberedText(2), "FFFFFFFF");
  EXPECT_EQ(*world.variables.numberedText(3), "AB");
  EXPECT_EQ(*world.variables.numberedInteger(2), 0);
  EXPECT_TRUE(world.errors.all.empty());
}

TEST(VariableBuiltinsTest, ADeclarationMayReadTheVariableItCreates) {
  ScriptWorld world;
  world.load(0, "script/0.txt", "int c = %c + 1\nstring s = $s + \"x\", t = $s\n");
  world.run();
  EXPECT_EQ(*world.variables.findInteger("c"), 1);
  EXPECT_EQ(*world.variables.findText("s"), "x");
  EXPECT_EQ(*world.variables.findText("t"), "x");
  EXPECT_TRUE(world.errors.all.empty());
}

TEST(VariableBuiltinsTest, UpperAndLowerLeaveTheCommandNameAlone) {
  ScriptWorld world;
  world.load(0, "script/0.txt", "len %0, \"x\" : upper $0 : lower $0\n");
  world.run();
  EXPECT_EQ(world.interpreter.commandName().view(), "len");
}

TEST(BuiltinsTest, EveryBuiltinOfTheLanguageIsRegistered) {
  ScriptWorld world;
  const char* const names[] = {"goto",          "gosub",
                               "return",        "if",
                               "elseif",        "else",
                               "for",           "next",
                               "break",         "continue",
                               "defsub",        "getParam",
                               "labelExist",    "end",
                               "cal",           "int",
                               "string",        "len",
                               "mid",           "rand",
                               "itos16",        "upper",
                               "lower",         "variableExist",
                               "variableErase", "console",
                               "print",         "error",
                               "confirm",       "inform",
                               "count",         "match",
                               "split",         "regexp_create",
                               "regexp_count",  "regexp_replace",
                               "regexp_trans",  "regexp_match",
                               "regexp_split",  "getParentFolderName",
                               "getBaseName",   "getExtensionName",
                               "getFileName",   "existFile",
                               "copyFile",      "moveFile",
                               "deleteFile",    "loadLibrary",
                               "loadFile",      "saveFile",
                               "setFileList",   "getFileList",
                               "loadText",      "saveText",
                               "getText",       "setText",
                               "insertText",    "addText",
                               "sortText",      "clearText"};
  for (const char* name : names) {
    EXPECT_NE(world.commands.find(util::crc32_hash(name)), nullptr) << name;
  }
  EXPECT_EQ(world.commands.size(), std::size(names));
}

}  // namespace
}  // namespace tsuzuri::script
