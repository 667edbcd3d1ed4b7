# Whole-station runs that plate-solve with the real solve-field: label solver as well, so
# that they run once in CI, in the default preset (the sanitizer presets run -LE solver).
set_tests_properties(
  CliSolveRun.SolveOfARenderedFrameIsWithinFiveArcsecondsOfTheMount
  CliSolveRun.GotoCenterFromHalfADegreeOffEndsWithinTheTolerance
  PROPERTIES LABELS "e2e;solver")
