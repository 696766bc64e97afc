// The toolkit's own data package: items added one by one, or a list of file paths.
#pragma once

#include <string>
#include <vector>

#include "vstgui/idatapackage.h"

namespace VSTGUI {

class CDropSource : public IDataPackage {
public:
    CDropSource() = default;
    // One kFilePath item per path, in order.
    explicit CDropSource(const std::vector<std::string>& filePaths);

    void add(const void* buffer, uint32 size, Type type);

    uint32 getCount() const override;
    uint32 getDataSize(uint32 index) const override;
    Type getDataType(uint32 index) const override;
    uint32 getData(uint32 index, const void*& buffer, Type& type) const override;

private:
    struct Entry {
        // Texts and paths keep a NUL after their bytes.
        std::vector<char> bytes;
        uint32 size;
        Type type;
    };
    std::vector<Entry> entries;
};

}  // namespace VSTGUI
