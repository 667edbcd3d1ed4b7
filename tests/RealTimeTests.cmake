# Tests that record at the camera's full rate in real time and assert that no frame was
# missed: they run alone (see tests/CMakeLists.txt).
set_tests_properties(
  CliStationRun.FiveHundredFramesInEachFormatAreCompleteAndEvenlySpaced
  CliStationRun.InjectedDropsAreExactlyTheMissedFramesAndTheLogsWarnings
  CliStationRun.EveryNthFrameAndTimedRecordings
  CliStationRun.KilledRecordingIsRepairedFrameForFrame
  CliStationRun.UnplugDuringRecordingIsRecoveredAndTheFileKeepsEveryFrame
  PROPERTIES RUN_SERIAL TRUE)
