#include "vstgui/bitmap_resources.h"

#include <map>

namespace VSTGUI {
namespace {

std::map<std::pair<int32, double>, BitmapResource>& registry() {
    static std::map<std::pair<int32, double>, BitmapResource> resources;
    return resources;
}

}  // namespace

void registerBitmapResource(int32 id, const BitmapResource& resource) {
    registry()[{id, resource.scaleFactor}] = resource;
}

std::vector<BitmapResource> findBitmapResources(int32 id) {
    std::vector<BitmapResource> found;
    for (auto it = registry().lower_bound({id, 0.0}); it != registry().end() && it->first.first == id; ++it)
        found.push_back(it->second);
    return found;
}

}  // namespace VSTGUI
