# The color of a value and the whole scale: boundaries -1, 0, 1, 2; colors 1, 3, 5 imposed.
new
SetNumberOfBlocks 5
SetColors 3 [1,3,5] [0,0,255] [0,255,0] [255,0,0] [255,255,255] [0,0,0]
SetImposedValues 4 [1,2,3,4] [-1,0,1,2] [0,0,0,0]
SetTolerance 0.1
GetColorForValue inf 9 9 9 9
GetColorForValue 2.05
GetColorForValue 2
GetColorForValue -1.05
GetColorForValue -1
GetColorForValue 0.05
GetColorForValue 0.5
GetColorForValue -0.5
GetColorForValue 1.5
GetColorForValue nan 9 9 9 9
SetTolerance 0
GetColorForValue 1.9999999999999998
GetScaleDefinition 5 4
GetScaleDefinition 5 2 null 0
GetScaleDefinition 4 4
GetScaleDefinition 5 5 1 1
GetScaleDefinition 0 0
# No blocks: no color, outputs untouched.
SetNumberOfBlocks 0
GetColorForValue 1 9 9 9 9
# Right after a resize every boundary is 0: even not-a-number gets color 2.
SetNumberOfBlocks 3
GetColorForValue nan
GetScaleDefinition 3 2 0 0
