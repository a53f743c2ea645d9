If a Then b = 1
If a Then b = 1 : c = 2
If a Then
  b = 1
ElseIf c Then
  b = 2
Else
  b = 3
End If
If a Then
Else b = 4 End If
Select Case x
  Case 1: y = 1
  Case 2, 3..4:
    y = 2
  Case Else: y = 0
End Select
Do
  i += 1
Loop Until i > 10
Do
  i -= 1
Loop While i > 0
While i > 0
  i = i - 1
Wend
For i = 1 To 10 Step 2
  s *= i
Next
For j = 1 To 3
Next
Try
  a = 1
Finally
  b = 2
End Try
Try
  Exit
Catch
  c /= 3
End Try
With Memo1
  Text = "x"
End With
Set o = Nothing
Delete o
Break
Continue
i++
