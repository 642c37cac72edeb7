# Legacy indices that name no block or boundary, INT_MAX among them: not imposed.
legacy 1 [0] [0] [0] [0] [2147483647] [] []
legacy 3 [1,2,3] [1,2,3] [1,2,3] [1,2,3] [-2147483648,2147483647,1] [1.5,2.5] [2147483647,-2]
GetColors 0
GetImposedValues
