new
SetNumberOfBlocks 3
Frobnicate 1
GetNumberOfBlocks
