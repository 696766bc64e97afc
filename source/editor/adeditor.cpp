#include "editor/adeditor.h"

#include "editor/pictures/window_pictures.h"
#include "vstgui/bitmap_resources.h"

using namespace VSTGUI;

namespace {

constexpr int32 kBackgroundResource = 128;
constexpr int32 kExportResource = 129;
constexpr int32 kDropResource = 130;
constexpr int32 kModeResource = 131;

CBitmap* loadWindowPicture(int32 id) {
    if (const WindowPicture* picture = findWindowPicture(id)) registerBitmapResource(id, picture->png, picture->size);
    return new CBitmap(id);
}

template <class Object>
void release(Object*& object) {
    if (object) object->forget();
    object = nullptr;
}

}  // namespace

ADEditor::ADEditor(void* effect) : AEffGUIEditor(effect) {
    for (auto& path : SlotPath) path[0] = '\0';
    BackgroundBitmap = loadWindowPicture(kBackgroundResource);
    ExportBitmap = loadWindowPicture(kExportResource);
    DropBitmap = loadWindowPicture(kDropResource);
    ModeBitmap = loadWindowPicture(kModeResource);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(BackgroundBitmap->getHeight());
    rect.right = static_cast<VstInt16>(BackgroundBitmap->getWidth());
    IdleTimer = new CVSTGUITimer(this, 240);
    IdleTimer->setFireTime(kClosedTimerPeriodMs);
    IdleTimer->start();
}

ADEditor::~ADEditor() {
    release(BackgroundBitmap);
    release(ExportBitmap);
    release(DropBitmap);
    release(ModeBitmap);
    release(IdleTimer);
}

void ADEditor::setParameter(int32 index, float) {
    if (index != kExportButtonTag || !IsOpen.load(std::memory_order_acquire)) return;
}

CMessageResult ADEditor::notify(CBaseObject*, IdStringPtr message) {
    if (message == CVSTGUITimer::kMsgTimer) {
        MyIdle();
        return kMessageNotified;
    }
    return kMessageUnknown;
}

void ADEditor::MyIdle() {}
