# A list written with spaces is shown whole in the message.
new
SetImposedValues 1 [ 1 ] [0.5] [0]
