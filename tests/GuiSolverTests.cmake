# The desktop station's run that plate-solves with the real solve-field (built only with
# the GUI): label solver as well, as SolverTests.cmake does for the command line's.
set_tests_properties(
  OrvacamGui.PlateSolvedOffsetToTheNextEventIsDrawn
  PROPERTIES LABELS "e2e;solver")
