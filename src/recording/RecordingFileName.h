#pragma once
// The names of recording files and folders: recordings, the GPS status CSV beside each
// recording, FITS sequence folders and their file template, single FITS captures and the
// averaged dark and flat frames. Every name carries the UTC time it was made at, the
// camera resolution, the gain and the exposure as the main window shows them.
//
// Pure functions; any thread.

#include "common/UtcTime.h"

#include <string>

namespace orva {

// Stands in a FITS sequence template for the frame number of each file.
inline constexpr char kFrameNumberPlaceholder[] = "[FRAMENR]";

// What a name is made of besides its extension.
struct RecordingNameParts {
    UtcDateTime time;
    int width = 0;
    int height = 0;
    std::string gainText;      // the "Gain" box as shown, e.g. "+12 dB"
    std::string exposureText;  // the "Exp (ms)" field as typed, e.g. "40"
};

// kind 'D' (dark) and 'F' (flat): "D20240523_1920_12dB_0040ms.fits"; 'P' (plate-solving
// image) and every other kind: "[P]20240523_213012_1920x1200_G12dB_0040ms.ser".
// withFrameNumber adds "_[FRAMENR]" before the extension.
std::string MakeRecordingFileName(const RecordingNameParts& parts, const std::string& extension, bool withFrameNumber,
                                  char kind = 0);

// The gain text without any '+' or blank: "+12 dB" gives "12dB".
std::string GainTextForFileName(const std::string& gainText);
// Padded on the left with zeros to at least 4 characters: "40" gives "0040".
std::string ExposureTextForFileName(const std::string& exposureText);

// "20240523_213012_FITS_Sequence"
std::string FitsSequenceFolderName(const UtcDateTime& time);

// The name a file takes when its first choice is taken: number 1 or less gives the path
// unchanged, number n "_n" before the extension of the last path component:
// "a/20240523_213012.ser" with 2 gives "a/20240523_213012_2.ser".
std::string NumberedFileName(const std::string& path, int number);

// The folder with one "/" at its end (an empty folder stays empty).
std::string WithTrailingSeparator(const std::string& folder);

}  // namespace orva
