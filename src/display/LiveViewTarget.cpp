#include "display/LiveViewTarget.h"

#include "processing/OverlayText.h"
#include "processing/ThreadSafeDoubleBuffer.h"

namespace orva {
namespace {

int64_t PackCentre(int x, int y) { return static_cast<int64_t>(x) << 32 | static_cast<uint32_t>(y); }

}  // namespace

LiveViewTarget::LiveViewTarget(ThreadSafeDoubleBuffer& histogram, LookupTableSlot& table)
    : histogram_(histogram),
      table_(table),
      profileCentre_(PackCentre(-1, -1)),
      write_(std::make_unique<DisplayPicture>()),
      ready_(std::make_unique<DisplayPicture>()),
      read_(std::make_unique<DisplayPicture>()) {}

void LiveViewTarget::PrepareDisplay(const DisplayFrame& frame) {
    if (frame.width < 1 || frame.height < 1 || frame.width > kMaxWidth || frame.height > kMaxHeight) return;
    const std::shared_ptr<const DisplayStretch::LookupTable> table = table_.Current();
    if (!table) return;
    std::shared_ptr<const ZoneBlocks> zones;
    {
        std::lock_guard lock(mutex_);
        zones = zones_;
    }
    const int64_t centre = profileCentre_.load();
    ComposeInputs inputs;
    inputs.table = table.get();
    inputs.zones = zones.get();
    inputs.profileX = static_cast<int>(centre >> 32);
    inputs.profileY = static_cast<int32_t>(static_cast<uint32_t>(centre));

    DisplayPicture& picture = *write_;
    picture.width = frame.width;
    picture.height = frame.height;
    // Grows once to the mode's size; the same mode reuses the buffer.
    picture.pixels.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
    DisplayComposer::Compose(frame, inputs, picture.pixels.data(), histogram_.GetWriteBuffer(), picture.profile);
    picture.textLine = frame.overlay != nullptr ? FormatOverlayText(*frame.overlay) : std::string();
    picture.sequence = ++sequence_;
    if (keepRaw_.load()) {
        picture.raw.assign(frame.pixels, frame.pixels + picture.pixels.size());
    } else if (!picture.raw.empty()) {
        std::vector<uint16_t>().swap(picture.raw);  // the memory goes back with the choice made
    }
    histogram_.Swap();
    std::lock_guard lock(mutex_);
    std::swap(write_, ready_);
    fresh_ = true;
}

bool LiveViewTarget::TakePicture() {
    std::lock_guard lock(mutex_);
    if (!fresh_) return false;
    std::swap(ready_, read_);
    fresh_ = false;
    return true;
}

void LiveViewTarget::ResetPicture() { *read_ = DisplayPicture{}; }

void LiveViewTarget::SetProfileCentre(int x, int y) { profileCentre_ = PackCentre(x, y); }

void LiveViewTarget::SetZones(std::shared_ptr<const ZoneBlocks> zones) {
    std::lock_guard lock(mutex_);
    zones_ = std::move(zones);
}

}  // namespace orva
