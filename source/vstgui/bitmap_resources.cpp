#include "vstgui/bitmap_resources.h"

#include <map>

namespace VSTGUI {
namespace {

std::map<int32, BitmapResource>& registry() {
    static std::map<int32, BitmapResource> resources;
    return resources;
}

}  // namespace

void registerBitmapResource(int32 id, const BitmapResource& resource) { registry()[id] = resource; }

const BitmapResource* findBitmapResource(int32 id) {
    const auto found = registry().find(id);
    return found == registry().end() ? nullptr : &found->second;
}

}  // namespace VSTGUI
