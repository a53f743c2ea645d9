' comment line
rem comment line
x = 1 ' trailing comment
y = 1 + _
    2
remark = 3

z = 5
