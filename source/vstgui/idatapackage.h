// What a drag carries: a list of items, each with a type and its bytes. File paths are
// NUL-terminated strings.
#pragma once

#include "vstgui/cbaseobject.h"

namespace VSTGUI {

class IDataPackage : public CBaseObject {
public:
    enum Type : int32 { kFilePath = 0, kText, kBinary, kError = -1 };

    virtual uint32 getCount() const = 0;
    // The size in bytes of item index; 0 for an index out of range.
    virtual uint32 getDataSize(uint32 index) const = 0;
    // kError for an index out of range.
    virtual Type getDataType(uint32 index) const = 0;
    // Points buffer at item index and answers its size in bytes (for paths and texts, without the
    // terminating NUL that follows them). Out of range: buffer null, type kError, size 0.
    virtual uint32 getData(uint32 index, const void*& buffer, Type& type) const = 0;
};

}  // namespace VSTGUI
