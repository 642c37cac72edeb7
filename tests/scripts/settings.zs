# Saving and loading through settings repositories; repairs on load.
new
SetNumberOfBlocks 3
SetColors 2 [1,3] [0,255] [0,0] [255,0] [255,255] [0,0]
SetExtremeImposedValues -1 1
SetNonlinearScale 1
SaveToSettings saved
settings-show saved
settings-show nothing
new
SetAutoMinMaxOption 40
LoadFromSettings saved
GetColors 0
GetValueTable
GetNonlinearScale
GetAutoMinMaxOption
settings-write repair NumberOfBlocks int [3]
settings-write repair Red int [-20,300,7]
settings-write repair IndexImposedCol int [1,3,0]
settings-write repair UndefineColor int [1,2,3,4]
settings-write repair Min_NegativeCrv double [-0.25]
settings-write repair Red int [-20,300,8]
settings-show repair
LoadFromSettings repair
GetColors 0
GetColorUndefine
GetCurvatureLimits
SaveToSettings ../escape
LoadFromSettings .hidden
