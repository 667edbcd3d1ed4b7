#include "recording/FitsSequenceWriter.h"

#include "common/Log.h"
#include "common/TextFormats.h"
#include "recording/FitsHeaderValues.h"
#include "recording/FitsWriter.h"
#include "recording/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace orva {
namespace {

// Failures after which no further frame file can be written either.
bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

}  // namespace

std::string FitsSequenceWriter::GetFormatDescription() const {
    return "FITS Sequence " + std::to_string(BitDepth()) + "-bit";
}

bool FitsSequenceWriter::OpenRecording(const std::string& fileNameTemplate, int width, int height, uint8_t bitDepth) {
    template_ = fileNameTemplate;
    PrepareRecording(width, height, bitDepth);
    const std::string folder = OutputFile::FolderOf(fileNameTemplate);
    // Unsynced files are not lost data yet: the frames are still written, and each one
    // reaches the disk in the file system's own time.
    if (!SyncFolderWhileRecording(folder)) {
        LogMessageString("W FITS sequence folder cannot be synced while recording:", folder);
    }
    return true;
}

std::string FitsSequenceWriter::FrameFileName(const std::string& fileNameTemplate, int frameNumber) {
    char number[16];
    std::snprintf(number, sizeof(number), "%05d", frameNumber);
    return ReplaceAll(fileNameTemplate, kFrameNumberPlaceholder, number);
}

void FitsSequenceWriter::WriteFrame(const uint16_t* pixels, uint64_t, uint64_t, const BinaryOverlay& overlay) {
    // Each frame makes a new file; only a template without the frame number names one
    // file for all frames, which then is this recording's own to replace.
    const bool ownFile = GetFrameCount() > 0 && template_.find(kFrameNumberPlaceholder) == std::string::npos;
    FitsWriter fits(FrameFileName(template_, GetFrameCount() + 1),
                    ownFile ? FitsWriter::Creation::ReplaceWhole : FitsWriter::Creation::NewFile);
    FitsHeaderData& header = fits.GetHeaderData();
    FillFitsHeader(header, Width(), Height(), Names(), ObjectName());
    SetFitsExposureValues(header, overlay);
    try {
        fits.WriteFile(pixels);
    } catch (const std::logic_error& e) {
        if (IsDiskFull(fits.LastErrorNumber())) {
            LogMessageString("E Recording stopped, failed to write FITS sequence file:", fits.LastErrorText());
            StopAfterFailure("Recording stopped: failed to write " + fits.LastErrorText());
            return;
        }
        LogMessageString("E Frame not recorded, FITS sequence file not written:", fits.GetFileName() + ": " + e.what());
    }
}

}  // namespace orva
