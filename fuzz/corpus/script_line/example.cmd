; SCRIPT.CMD - the script language on SCRIPT.INI.
; Run:  rivel SCRIPT.INI SCRIPT.CMD     (set SCRIPT_USER and SCRIPT_HOME first)
;
; Variables computed from the INI file as it is before this run:
; the highest File number in [Recent] and the load line of [windows].
$(Next) := $(_MAXNUMKEY[Recent]File) + 1
$(Load) := $(_INIVALUE[windows]load)
+[Recent]File$(Next)=c:\doc\new.txt
;
; An IF block on the INI contents; $$ writes a literal $.
IF ININI VALUE [windows] load nwpopup.exe
  +[windows]load=$(Load) vlm.exe
  +[Info]Price=$$5
ELSE
  +[windows]load=nwpopup.exe
ENDIF
;
; Conditions combine with NOT, AND and OR (upper case); blocks nest.
IF NOT EXIST FILE NOSUCH.TXT AND ININI SECTION [Paths]
  IF ENV SCRIPT_USER == ""
    +[Info]User=nobody
  ELSE
    +[Info]User=$(%SCRIPT_USER)
  ENDIF
ENDIF
;
; One-line forms guard a single command.
IFEXISTENV SCRIPT_HOME +[Paths]Data=$(%SCRIPT_HOME)\data
IFNEXISTENV SCRIPT_NOSUCH +[Info]Checked=yes
IFNEXISTFILE NOSUCH.TXT +[Info]NoSuchFile=missing
;
; Variables carry text and numbers across lines: & joins, + and - count.
$(Summary) := Recent & " ends at File" & $(Next)
+[Info]Summary=$(Summary) in $(_INIFILE)
