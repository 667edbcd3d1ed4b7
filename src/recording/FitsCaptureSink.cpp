#include "recording/FitsCaptureSink.h"

#include "recording/FitsHeaderValues.h"

namespace orva {

FitsCaptureSink::FitsCaptureSink(std::string fileName, RecordingNames names, std::string objectName)
    : writer_(std::move(fileName)), names_(std::move(names)), objectName_(std::move(objectName)) {}

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
