# Host commands: scales, legacy conversions and the feature's attributes.
new
new
use 1
SetNumberOfBlocks 2
use 2
GetNumberOfBlocks
use 1
GetNumberOfBlocks
legacy 10 [0,0,0,0,0,0,0,0,0,255] [0,0,0,0,0,0,0,0,0,0] [255,0,0,0,0,0,0,0,0,0] [255,255,255,255,255,255,255,255,255,255] [0,-1,4,-1,-1,-1,-1,-1,-1,9] [10,20,30] [0,-1,8]
GetImposedValues
GetImposedColorsIndexList
legacy 0 [] [] [] [] [] [5] [-1]
GetNumberOfBlocks
legacy 3 [1,2,3] null [1,2,3] [1,2,3] [0,1,2] [1] [0]
use 1
feature-show NumberOfBlocks
feature-show ColorUndefine
feature-show AutoMinMaxStatus
feature-show ColorInterpolTypeList
feature-show ImposedValuesList
feature-show NoSuchAttribute
feature-unset ImposedValuesList
feature-show ImposedValuesList
feature-undefine ImposedValuesList
feature-show ImposedValuesList
GetImposedValues
