#pragma once
// A simulated camera, the station's extension unit and camera model over it, and a frame
// processor that sees it as the active camera: the front half of every pipeline test.

#include "camera/CameraExtensionUnit.h"
#include "camera/CameraModel.h"
#include "camera/CameraStatusCache.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "simcam/SimExtensionUnitTransport.h"
#include "simcam/SimulatedCamera.h"
#include "support/ManualClock.h"

#include <memory>

namespace orva::test {

struct SimulatedProcessingChain {
    SimulatedProcessingChain(uint8_t sensorCode, int modeIndex, Clock& cameraClock,
                             std::unique_ptr<IPictureSource> picture = nullptr) {
        SimCameraConfig config;
        config.identity.sensorCode = sensorCode;
        camera = std::make_shared<SimulatedCamera>(config, cameraClock);
        if (picture) camera->SetPictureSource(std::move(picture));
        camera->SelectMode(modeIndex);
        mode = camera->Modes()[static_cast<std::size_t>(modeIndex)];

        extensionUnit = CameraExtensionUnit::Create(std::make_shared<SimExtensionUnitTransport>(camera), commandClock);
        model = extensionUnit->ReadCameraModel();
        adapter = std::make_shared<FrameCameraAdapter>(extensionUnit.get(), status, nullptr);
        adapter->SetResolution(model->GetVideoResolution(modeIndex));
        slot.Set(adapter);

        FrameProcessorOptions options;
        options.threadCount = 2;
        options.cameras = &slot;
        options.guiding = &guiding;
        options.gpsLog = &gpsLog;
        options.histogram = &histogram;
        processor = std::make_unique<FrameProcessor>(options);
    }

    ManualClock commandClock;
    std::shared_ptr<SimulatedCamera> camera;
    SimVideoMode mode;
    std::unique_ptr<CameraExtensionUnit> extensionUnit;
    std::unique_ptr<CameraModel> model;
    CameraStatusCache status;
    std::shared_ptr<FrameCameraAdapter> adapter;
    FrameCameraSlot slot;
    GuidingService guiding;
    GpsLog gpsLog;
    ThreadSafeDoubleBuffer histogram;
    std::unique_ptr<FrameProcessor> processor;
};

}  // namespace orva::test
