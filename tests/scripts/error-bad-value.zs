new
SetNumberOfBlocks 3
SetNumberOfBlocks nan
