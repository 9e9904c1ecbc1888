#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/path_parts.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

using PartOf = std::string (*)(const PathParts&);

// name path, result text: the result gets one part of the path. A path that
// cannot be cut is reported and the result keeps its value.
void addPathPart(NativeCommandTable& table, const BuiltinServices& services, const char* name,
                 PartOf part) {
  table.add(name, [s = services, name, part](std::string_view arguments) {
    s.interpreter.commandName().set(name);
    ArgumentList args(arguments, s.expression, s.errors);
    const auto parts = splitPath(args.text(0));
    if (!parts) {
      s.errors.reportWithContext(util::toSjis(u8"正常にパスが読み込めませんでした"));
      return;
    }
    args.setText(1, part(*parts));
  });
}

}  // namespace

void registerPathBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  addPathPart(table, services, "getParentFolderName", [](const PathParts& p) { return p.folder; });
  addPathPart(table, services, "getBaseName", [](const PathParts& p) { return p.baseName; });
  addPathPart(table, services, "getExtensionName", [](const PathParts& p) { return p.extension; });
  addPathPart(table, services, "getFileName", [](const PathParts& p) { return p.fileName(); });
}

}  // namespace tsuzuri::script
