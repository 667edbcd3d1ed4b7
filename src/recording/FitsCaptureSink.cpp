#include "recording/FitsCaptureSink.h"

#include "recording/FitsHeaderValues.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orva {

FitsCaptureSink::FitsCaptureSink(std::string fileName, RecordingNames names, std::string objectName)
    : writer_(std::move(fileName), FitsWriter::Creation::ReplaceWhole),
      names_(std::move(names)),
      objectName_(std::move(objectName)) {}

FitsCaptureSink::~FitsCaptureSink() {
    if (written_) return;
    // Only the empty claim goes: a file with content there is not this capture's.
    struct stat status {};
    if (::stat(writer_.GetFileName().c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        ::unlink(writer_.GetFileName().c_str());
    }
}

void FitsCaptureSink::WriteFile(const uint16_t* pixels) {
    writer_.WriteFile(pixels);
    written_ = true;
}

void FitsCaptureSink::FillStaticHeader(int width, int height) {
    FillFitsHeader(writer_.GetHeaderData(), width, height, names_, objectName_);
}

void FitsCaptureSink::WriteDynamicHeader(const BinaryOverlay& overlay) {
    WriteFitsFileDynamicHeader(writer_.GetHeaderData(), overlay);
}

void FitsCaptureSink::SetHeaderValue(const std::string& keyword, const std::string& value) {
    writer_.GetHeaderData().SetValue(keyword, value);
}

}  // namespace orva
