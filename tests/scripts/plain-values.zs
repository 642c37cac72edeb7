# Values the object keeps by itself.
new
GetCurvatureLimits
SetCurvatureLimits -2 -0.5 0.5 2
GetCurvatureLimits 1 1 1 1
GetValueRange
SetValueRange 5 1
GetValueRange
IsStateFlagClear
GetIntDoublePair 9 9
SetIntDoublePair -7 -0
GetIntDoublePair
GetFiveInts 9 9 9 9 9
SetFiveInts 1 -2 3 -4 2147483647
GetFiveInts
SetTolerance 0.125
Reserved
Update
