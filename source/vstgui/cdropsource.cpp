#include "vstgui/cdropsource.h"

#include <cstring>

namespace VSTGUI {

CDropSource::CDropSource(const std::vector<std::string>& filePaths) {
    for (const std::string& path : filePaths) add(path.data(), static_cast<uint32>(path.size()), kFilePath);
}

void CDropSource::add(const void* buffer, uint32 size, Type type) {
    Entry entry{std::vector<char>(size + 1, '\0'), size, type};
    if (size) std::memcpy(entry.bytes.data(), buffer, size);
    entries.push_back(std::move(entry));
}

uint32 CDropSource::getCount() const { return static_cast<uint32>(entries.size()); }

uint32 CDropSource::getDataSize(uint32 index) const { return index < entries.size() ? entries[index].size : 0; }

IDataPackage::Type CDropSource::getDataType(uint32 index) const {
    return index < entries.size() ? entries[index].type : kError;
}

uint32 CDropSource::getData(uint32 index, const void*& buffer, Type& type) const {
    if (index >= entries.size()) {
        buffer = nullptr;
        type = kError;
        return 0;
    }
    buffer = entries[index].bytes.data();
    type = entries[index].type;
    return entries[index].size;
}

}  // namespace VSTGUI
