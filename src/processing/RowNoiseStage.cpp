#include "processing/RowNoiseStage.h"

#include "processing/RowNoise.h"

namespace orva {

bool RowNoiseStage::Process(CameraFrame& frame) {
    frame.rowOffsets = nullptr;
    if (!enabled_ || !frame.hasStatistics) return true;
    const int width = frame.width;
    const int height = frame.height;
    const IntensityBand band = IntensityBand::AroundMean(frame.imageMean);
    int64_t partSums[FrameWorkerPool::kMaxParts] = {};
    const uint16_t* image = frame.pixels;
    int32_t* offsets = rowOffsets_.Data();
    pool_.Run(pool_.PartsFor(width, height), [&](int part, int parts) {
        partSums[part] = MeasureRowMeans(image, width, FrameWorkerPool::PartStart(height, part, parts),
                                         FrameWorkerPool::PartStart(height, part + 1, parts), band, frame.imageMean,
                                         offsets);
    });
    int64_t sum = 0;
    for (const int64_t s : partSums) sum += s;
    RowMeansToOffsets(offsets, height, sum);
    frame.rowOffsets = offsets;
    return true;
}

}  // namespace orva
