# Colors: the reset, imposed sets with placeholders, single colors, releases and the table.
new
SetNumberOfBlocks 5
GetColors 0
GetColorTable
SetColors 3 [1,-1,5] [0,50,255] [0,50,0] [255,50,0] [255,50,255] [7,8,9]
GetColors 0 [100] [] [] [] [] []
GetColorTable [1,2,3]
GetImposedColorsIndexList [42]
# Lists that do not hold count entries: refused, nothing written.
SetColors 2 [1,2] [1,2] [1] [1,2] [1,2] [1,2]
SetColor 3 10 20 30 40
SetColor 6 1 1 1 1
GetColorTable
# Count 0 and a count above the list's length change nothing; a position past the blocks is skipped.
UnsetImposedColors [3,1] 0
UnsetImposedColors [6,3]
GetImposedColorsIndexList
GetColorTable
