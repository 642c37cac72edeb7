# A repository that was never saved (a mistyped name) loads nothing and changes nothing.
new
SetGreenIsFlat 1
SetNonlinearScale 2
SetNumberOfBlocks 3
LoadFromSettings nosuchrepo
GetGreenIsFlat
GetNonlinearScale
GetNumberOfBlocks
# A record that holds some of its keys keeps the options it lacks at 0, as before.
settings-write partial Min_NegativeCrv double [-0.5]
LoadFromSettings partial
GetGreenIsFlat
GetNonlinearScale
GetCurvatureLimits
