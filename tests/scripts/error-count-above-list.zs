new
UnsetImposedColors [1,2] 3
