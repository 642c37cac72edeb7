# Floating-point edge cases of GetColorForValue, each with the rule that decides it. Runs under
# the sanitizers too (float-cast-overflow, float-divide-by-zero): no report is allowed.
#
# Five blocks, boundaries -1, 0, 1, 2 (all imposed); colors 1 blue, 3 green, 5 red imposed,
# 2 = (0, 127, 128, 255) and 4 = (127, 128, 0, 255) interpolated and blended.
new
SetNumberOfBlocks 5
SetColors 3 [1,3,5] [0,0,255] [0,255,0] [255,0,0] [255,255,255] [0,0,0]
SetImposedValues 4 [1,2,3,4] [-1,0,1,2] [0,0,0,0]
SetTolerance 0
# not a number: every comparison is false and the limits differ: no color, outputs untouched
GetColorForValue nan 9 9 9 9
# +0 and -0 compare equal: both sit on inner boundary 2, block 3
GetColorForValue 0
GetColorForValue -0
# the infinities and the largest doubles lie beyond the limits: blocks 5 and 1
GetColorForValue inf
GetColorForValue -inf
GetColorForValue 1.7976931348623157e+308
GetColorForValue -1.7976931348623157e+308
# the smallest normal and denormal doubles: just inside block 3 (imposed, green), or just inside
# block 2 (blended, weight ~1e-308 from the top: green)
GetColorForValue 2.2250738585072014e-308
GetColorForValue -2.2250738585072014e-308
GetColorForValue 5e-324
GetColorForValue -5e-324
# FLT_MAX and the next double above it: above the upper limit, block 5
GetColorForValue 3.4028234663852886e+38
GetColorForValue 3.402823466385289e+38
# a negative tolerance: no band matches; the blocks grow by 0.5 on each side and the first one
# that holds the value decides (0 in block 2 at weight 0: the next color; 2 in block 4 at weight
# 0: red; -1 in block 2 at weight 1: its own color; 1.5 halfway through block 4)
SetTolerance -0.5
GetColorForValue 0
GetColorForValue 2
GetColorForValue -1
GetColorForValue 1.5
# a tolerance that is not a number: every rule compares false, no color
SetTolerance nan
GetColorForValue 0
GetColorForValue 1.5
GetColorForValue 2
# an infinite tolerance: every finite value is within it of the upper limit (block 4); +inf is
# above it (block 5); not a number falls to the equal-limits rule (block 2)
SetTolerance inf
GetColorForValue 0
GetColorForValue inf
GetColorForValue nan 9 9 9 9
# equal boundaries 1, 1, 1, 1: on the limit block 4, below block 1, above block 5, and not a
# number takes block 2 (the limits are equal)
SetTolerance 0
SetImposedValues 4 [1,2,3,4] [1,1,1,1] [0,0,0,0]
GetColorForValue 1
GetColorForValue 0.5
GetColorForValue 1.5
GetColorForValue nan
# decreasing boundaries 2, 1, 0, -1: the lower limit 2 lies above the upper limit -1, so every
# value above -1 is "above" (block 5) and below it "below" (block 1)
SetImposedValues 4 [1,2,3,4] [2,1,0,-1] [0,0,0,0]
GetColorForValue 0.5
GetColorForValue 3
GetColorForValue -2
GetColorForValue 2
# adjacent doubles 1, 1+e, 1+2e, 1+3e: each boundary still takes the block above it, the last
# one (the upper limit) block 4
SetImposedValues 4 [1,2,3,4] [1,1.0000000000000002,1.0000000000000004,1.0000000000000007] [0,0,0,0]
GetColorForValue 1.0000000000000002
GetColorForValue 1.0000000000000004
GetColorForValue 1.0000000000000007
# boundaries beyond the float range narrow to infinities: a blended block whose narrowed width
# is infinite or not a number keeps its own color (2 and 4); the imposed block 3 is green
SetImposedValues 4 [1,2,3,4] [-1e39,0,1e39,2e39] [0,0,0,0]
GetColorForValue -5e38
GetColorForValue 5e38
GetColorForValue 1.5e39
GetColorForValue 3e39
# the largest doubles as limits: the same for the blocks beside them; +inf lies above DBL_MAX
SetImposedValues 4 [1,2,3,4] [-1.7976931348623157e+308,0,1,1.7976931348623157e+308] [0,0,0,0]
GetColorForValue -1e308
GetColorForValue 1e308
GetColorForValue inf
GetValueTable
# only those two imposed: the interpolation (Vb - Va) / 3 overflows to +inf, kept as the table's
# rule states it; value 0 lies in block 2, whose width narrows to +inf: its own color
SetImposedValues 2 [1,4] [-1.7976931348623157e+308,1.7976931348623157e+308] [0,0]
GetValueTable
GetColorForValue 0
