#pragma once
// Writes one complete FITS file: a single 2880-byte header block and a 16-bit image
// stored rows bottom-up, as signed values with BZERO 32768, padded to 2880 bytes.
//
// Failures throw std::logic_error. Every write is checked: the first failure logs one
// "E" line with the file and the system error, closes the file and throws
// "Failed to write FITS file.".
//
// How the file comes to be (Creation):
//   NewFile       creates the file, never over an existing one (that is a failure); what
//                 was written before a failure stays on disk. The files of a FITS
//                 sequence: their folder is synced by the recording.
//   ReplaceWhole  writes a hidden temporary file beside the target, syncs it and only
//                 then renames it over the target, and syncs the folder: the target is
//                 either as it was or the complete new file, never a part of one. A
//                 failure removes the temporary file. Single captures, whose name was
//                 claimed before the frames were taken.
// Every file is close-on-exec.
//
// Threads: one writer is used by one thread at a time.

#include "recording/FitsHeaderData.h"

#include <cstdint>
#include <string>

namespace orva {

class OutputFile;

class FitsWriter {
public:
    enum class Creation { NewFile, ReplaceWhole };

    explicit FitsWriter(std::string fileName, Creation creation = Creation::NewFile);
    virtual ~FitsWriter() = default;
    FitsWriter(const FitsWriter&) = delete;
    FitsWriter& operator=(const FitsWriter&) = delete;

    // To be filled before WriteFile; NAXIS1, NAXIS2 and BITPIX (16) must be set.
    virtual FitsHeaderData& GetHeaderData();
    // Writes header and NAXIS1 x NAXIS2 samples, top row first, into the file as the
    // Creation says.
    virtual void WriteFile(const uint16_t* pixels);
    virtual const std::string& GetFileName() const;
    // After WriteFile failed to open or write the file: the system error number and
    // "<path>: <error text> (<number>)", so that a caller can tell a full disk from other
    // failures. 0 and empty otherwise.
    int LastErrorNumber() const { return lastErrorNumber_; }
    const std::string& LastErrorText() const { return lastErrorText_; }

    // One 80-character card. An empty value gives the bare form, a non-empty comment the
    // fixed form (value right-aligned in columns 11 to 30), otherwise the quoted form.
    static std::string FormatCard(const std::string& keyword, const std::string& value, const std::string& comment);
    // Doubles every apostrophe and removes all bytes that are not printable 7-bit text.
    static std::string SanitizeValue(const std::string& text);

protected:
    virtual void WriteHeaderCards(OutputFile& file, const FitsHeaderData& header);
    virtual void WritePixelData(OutputFile& file, const uint16_t* pixels, int width, int height);
    virtual void WriteCard(OutputFile& file, const std::string& keyword, const std::string& value,
                           const std::string& comment);
    virtual void WriteText(OutputFile& file, const std::string& text);

private:
    // Header and data into an open file; throws as WriteFile does and closes the file.
    void WriteContents(OutputFile& file, const uint16_t* pixels, int width, int height);
    [[noreturn]] void FailOpening(const OutputFile& file);
    [[noreturn]] void FailWriting(const std::string& description, int error);

    FitsHeaderData header_;
    std::string fileName_;
    Creation creation_;
    int lastErrorNumber_ = 0;
    std::string lastErrorText_;
};

}  // namespace orva
