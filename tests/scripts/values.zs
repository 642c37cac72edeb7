# Boundaries: the reset, the extremes, single boundaries, releases and the table.
new
SetNumberOfBlocks 5
GetImposedValues
GetValueTable
SetExtremeImposedValues -1 2
GetValueTable [] [] 0 0
GetExtremeImposedValues
SetImposedValue 2 1.5
GetValueTable
UnsetImposedValues [2] 1
GetValueTable [9] [9] 0 null
GetImposedValues 0 [100] [100] [100]
SetImposedValues 3 [1,9,4] [0.5,7,3.5] [2,2,3]
GetImposedValues
GetValueTable
SetFirstImposedValue -2
SetLastImposedValue 1e300
GetValueTable
SetImposedValues 0 [] [] []
GetValueTable
# Two blocks: both extremes land on boundary 1.
SetNumberOfBlocks 2
SetExtremeImposedValues 1 2
GetValueTable
# One block: no boundary at all.
SetNumberOfBlocks 1
SetFirstImposedValue 3
GetValueTable
GetExtremeImposedValues 9 9
