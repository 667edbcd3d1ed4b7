#pragma once
// Reads a FITS file of the form FitsWriter writes (one two-dimensional 16-bit image with
// BZERO 32768) back into its header values and its samples, top row first.
//
// Outside input: the reader never reads past the end of the file and never allocates
// more than the file can hold. Every failure throws std::logic_error with a message for
// the user; the file is closed first.

#include "recording/FitsHeaderData.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orva {

struct FitsReaderResult {
    virtual ~FitsReaderResult() = default;
    std::unique_ptr<FitsHeaderData> header;
    // NAXIS1 x NAXIS2 samples, row by row from the top row of the image.
    std::vector<uint16_t> pixels;
};

class FitsReader {
public:
    virtual ~FitsReader() = default;

    virtual std::unique_ptr<FitsReaderResult> Read(const std::string& fileName);
    // Header blocks up to the one holding END, from the file's current position.
    virtual std::unique_ptr<FitsHeaderData> ReadHeader(std::FILE* file);
    // The data unit after the header; checks the image size against what is left of the file.
    virtual std::vector<uint16_t> ReadData(std::FILE* file, const FitsHeaderData& header);
    // Parses one 2880-character block into the header; true when it holds the END card.
    virtual bool ParseHeaderBlock(const std::string& block, FitsHeaderData& header);
};

}  // namespace orva
