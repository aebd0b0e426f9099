IF (ENV A == B OR NOT EXIST FILE x) AND A != B
$(X) := 1 + $(Y) & "a b"
ELSE
+[a]$(X$(Y))=%P%
ENDIF
IFENV P x +[a]b
