# nothing made yet
GetNumberOfBlocks
