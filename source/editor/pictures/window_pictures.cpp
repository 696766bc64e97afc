#include "editor/pictures/window_pictures.h"

#include <cstddef>

// Defined in the sources that embed_binary.cmake generates from the drawn PNG files.
namespace window_picture_data {
extern const unsigned char kPng128[];
extern const std::size_t kPng128Size;
extern const unsigned char kPng129[];
extern const std::size_t kPng129Size;
extern const unsigned char kPng130[];
extern const std::size_t kPng130Size;
extern const unsigned char kPng131[];
extern const std::size_t kPng131Size;
}  // namespace window_picture_data

const WindowPicture* findWindowPicture(int resourceId) {
    using namespace window_picture_data;
    // Built on first use: the sizes live in other translation units.
    static const WindowPicture pictures[] = {
        {128, kPng128, kPng128Size},
        {129, kPng129, kPng129Size},
        {130, kPng130, kPng130Size},
        {131, kPng131, kPng131Size},
    };
    for (const WindowPicture& picture : pictures)
        if (picture.resourceId == resourceId) return &picture;
    return nullptr;
}
