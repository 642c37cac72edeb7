# Every scalar option: setters skip equal values, getters with and without presets.
new
GetAutoMinMaxOption 7
SetAutoMinMaxOption 3
GetAutoMinMaxOption
GetAutoMinMaxStatus 9
SetAutoMinMaxStatus 200
GetAutoMinMaxStatus
SetAbsoluteExtrema 256
GetAbsoluteExtrema
SetGreenIsFlat 2
GetGreenIsFlat
SetNumberOfColorsStatus 1
GetNumberOfColorsStatus
SetNonlinearScale -1
GetNonlinearScale
GetOptions 9 9 9 9
SetColorUndefine 300 -1 7 1000
GetColorUndefine
GetNumberOfBlocks 5
SetNumberOfBlocks 3
GetNumberOfBlocks
# An option whose attribute has no value: getters leave or preset their output, setters write.
feature-unset NonlinearScale
GetNonlinearScale 7
feature-unset AbsoluteExtrema
GetAbsoluteExtrema 7
SetNonlinearScale 0
GetNonlinearScale 7
# An option the feature lacks.
feature-undefine GreenIsFlat
SetGreenIsFlat 1
GetGreenIsFlat 4
GetOptions 9 9 9 9
