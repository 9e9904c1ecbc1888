#include "assets/archive_directory.h"

#include <string>

#include "platform/files.h"
#include "util/number_text.h"
#include "util/sjis.h"

namespace tsuzuri::assets {

EntryExtent combineWithName(EntryExtent extent, std::string_view name) {
  const auto byteAt = [name](std::size_t i) {
    return i < name.size() ? static_cast<std::uint32_t>(static_cast<unsigned char>(name[i])) : 0U;
  };
  return {extent.offset ^ byteAt(name.size() / 2), extent.size ^ byteAt(name.size() / 4)};
}

void ArchiveDirectory::read(const GameFolder& folder, util::Reporter& reporter) {
  for (int n = 0; n < kMaxArchives; ++n) {
    const std::string name = "arc" + util::itos10(n) + ".dat";
    const auto path = platform::findFile(folder.native, name);
    if (!path || platform::fileKind(*path) != platform::FileKind::kFile) return;
    const platform::FileHandle file = platform::openForReading(*path);
    if (!file) return;
    const auto length = platform::fileLength(file.get());
    const ContainerIndex index = readContainerIndex(file.get(), length.value_or(0));
    if (index.truncated) {
      reporter.report(name + util::toSjis(u8" アーカイブの索引が途中で切れています(") +
                      std::to_string(index.records.size()) + "/" +
                      std::to_string(index.declaredCount) + ")");
    }
    add(index, *path);
  }
}

void ArchiveDirectory::add(const ContainerIndex& index, std::string path) {
  const auto archive = static_cast<std::uint32_t>(paths_.size());
  paths_.push_back(std::move(path));
  for (const IndexRecord& record : index.records) {
    entries_[record.key] =
        ArchiveEntry{archive, record.flag != 0, record.offset, record.size, record.extra};
  }
}

const ArchiveEntry* ArchiveDirectory::find(std::uint64_t key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace tsuzuri::assets
