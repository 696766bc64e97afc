// Reference-counted base of every GUI object: created with one reference, released by the last
// forget(). Objects also receive notifications (timers, file selectors) through notify().
#pragma once

#include "vstgui/vstguibase.h"

namespace VSTGUI {

class CBaseObject {
public:
    CBaseObject() = default;
    virtual ~CBaseObject() = default;
    CBaseObject& operator=(const CBaseObject&) = delete;

    virtual void remember() { ++nbReference; }
    virtual void forget() {
        if (--nbReference == 0) delete this;
    }
    int32 getNbReference() const { return nbReference; }

    virtual CMessageResult notify(CBaseObject* /*sender*/, IdStringPtr /*message*/) { return kMessageUnknown; }

protected:
    // A copy is a new object with a reference of its own.
    CBaseObject(const CBaseObject&) {}

private:
    int32 nbReference = 1;
};

}  // namespace VSTGUI
