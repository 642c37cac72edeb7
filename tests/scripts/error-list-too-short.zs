new
SetNumberOfBlocks 3
SetImposedValues 2 [1,2] [0.5] [0,0]
GetImposedValues
