#!/usr/bin/env python3
"""Checks a saved Z5.ini with Python's configparser, an independent reader.

  ini_check.py check FILE SCREEN_WIDTH   every key of every group with its written text
  ini_check.py change FILE               rewrites the file with changed values
"""
import configparser
import sys

FONT = "RuruvezuRA_ZozozER"
PATH = None  # a path that depends on the machine: present and not empty

GROUPS = {
    "General": [
        ("FontNota", FONT + " 16"), ("FontTree", FONT + " 14"), ("FontList", FONT + " 16"),
        ("FontKey", "ZevorovuVI_DoderoVI 16"), ("FontSrchInfo", FONT + " 13"),
        ("AnalFontHeight", "16"), ("TableFont", "16"), ("TimesFontName", "Times New Roman"),
        ("ArialFontName", "Arial"), ("CourierFontName", "ZevorovuVI DoderoVI"),
        ("WorkPath", PATH), ("CurrentDB", "x:\\database\\zelko5.tqh"), ("AutoSaveDB", PATH),
        ("CompCompDB", PATH), ("SurName", "Doe"), ("ChristName", "John"), ("Town", "Mytown"),
        ("Machine", "Test CPU @ 3.00GHz"), ("Language", "0"), ("InputLang", "0"),
        ("LangChoice", "0,1,1"), ("KDSLTB", "KQNBRP.x+"), ("NotaType", "0"),
        ("OverviewBoard", "1"), ("Sound", "2"), ("Chatter", "2"), ("Talk", "1"),
        ("Garrulous", "1"), ("Music", "1"), ("Cantus", "1"), ("ECODisplay", "1"),
        ("ReplaySpeed", "40"), ("BoardFlipped", "1"), ("Coordinates", "1"), ("Zelko4Board", "1"),
        ("2DWhite", "65535,65535,56576"), ("2DBlack", "0,0,0"), ("2DLight", "59136,53248,42752"),
        ("2DDark", "42752,32256,23552"), ("2DHatched", "1"), ("BoardType", "5"),
        ("ListTopGame", "1"), ("Title", "19"), ("ClockOffset", str(19 ^ 0x68C)),
        ("ShowClock", "2"), ("ShowSrchDispl", "2"), ("ShowSrchDisplTr", "1"),
        ("ForceDigital", "2"), ("DoLogon", "2"), ("Force16Cols", "1"), ("ClockSplit", "-1"),
        ("NotaSplit", "-1"), ("ScreenWidth", "SCREEN"), ("Hardware", "1"), ("Life", "0"),
        ("EvalProf", "2"), ("AnimSpeed2D", "6"), ("FrameThick", "10"), ("Figurines", "1"),
        ("Male", "2"), ("Hobby", "1"), ("ReadNota", "1"), ("CDDrive", "x"), ("3DX%", "70"),
        ("3DY%", "70"), ("HndTemplate", "10"), ("TestTime", "600"), ("TestPos", "0"),
        ("TestExtraPly", "1"), ("LikesTraining", "2"), ("CkoType", "2"),
        ("TalkPath", "x:\\talk.cht"), ("MiniHeumas", "1"), ("VorlPath", PATH),
        ("LastOpenPath", PATH), ("EngTourn", PATH), ("NodesPerSec", "2"), ("MatDispl", "1"),
        ("AnalClock", "1"), ("RemisCharForTables", "="), ("WhiteColorChar", "+"),
        ("BlackColorChar", "-"), ("WinColors", "2"), ("EloList", PATH),
        ("PrintWithColour", "1"), ("PrintTitle", "Zelko Home 2 printout"), ("MoveBeep", "2"),
    ],
    "Playing": [
        ("Tutor", "2"), ("ThreatenedSqs", "1"), ("RecordTime", "1"), ("RecordEvals", "2"),
        ("HintDepth", "7"), ("BlunderThresh", "80"), ("NLines", "2"), ("Conference", "1"),
        ("Friend", "1"), ("Blitz", "1"), ("Tourn", "1"), ("MoveListTutor", "1"),
        ("FriendGames", "0"), ("FriendScore", "0"), ("SparringSignal", "2"),
        ("SparringLevel", "0"), ("CheckBook", "1"), ("SavedOnExit", "1"), ("ParamDisplay", "1"),
        ("ScrollInfo", "1"), ("ScrollNewMoves", "1"), ("VarBoard", "1"), ("Spy", "1"),
        ("Doubling", "2"), ("Resign", "1"),
    ],
    "Analysis": [
        ("Verbose", "2"), ("Graphical", "2"), ("Training", "1"), ("Reference", "1"),
        ("IncludeLines", "1"), ("Sides", "2"), ("PlyDepth", "30"), ("VarDepth", "3"),
        ("Threshold", "30"), ("Replace", "1"), ("ReferencePath", "x:\\database\\zelko5.tqh"),
        ("MTHash", "0"), ("MTTime", "0"), ("MTSacMargin", "0"), ("MTCombMargin", "0"),
    ],
    "Blundercheck": [
        ("Side", "2"), ("Mainline", "2"), ("Variations", "2"), ("WriteFullVar", "2"),
        ("Text", "1"), ("Replace", "2"), ("EraseAnnos", "1"), ("DoPly", "1"), ("Training", "1"),
        ("WriteNodes", "1"), ("PlyDepth", "7"), ("Time", "10"), ("Thresh", "60"),
        ("NEngines", "0"),
    ],
    "CorrAnalysis": [
        ("DoPly", "1"), ("PlyDepth", "11"), ("Time", "300"), ("Branch1", "5"), ("Branch2", "3"),
        ("Branch3", "2"), ("NAhead", "6"), ("NWindow", "80"), ("ExtraTime", "0"),
        ("ExtraPly", "0"), ("Side", "2"),
    ],
    "Tree": [
        ("InclVars", "1"), ("EcoLength", "2"), ("Length", "20"), ("Stats", "2"), ("White", "1"),
        ("Black", "1"), ("Wins", "1"), ("Player", "2"), ("Name", "Zelko"), ("UseMarks", "1"),
        ("Losses", "1"), ("FactStat", "100"), ("FactLearn", "500"), ("StatWidth", "220"),
        ("Transpositions", "1"), ("RetroMoves", "1"), ("Elos", "2"), ("BottomWin", "1"),
        ("Sort", "0"), ("MinGames", "2"),
    ],
}

CHANGES = {
    "General": {"Title": "5", "ClockOffset": str(5 ^ 0x68C), "SurName": "Smith", "Sound": "1",
                "FontNota": "DejaVu_Sans 20", "2DDark": "1,2,3", "LangChoice": "3,4,2",
                "FrameThick": "30", "RemisCharForTables": "~", "ShowNotation": "1",
                "ListTopGame": "123456"},
    "Playing": {"FriendGames": "7", "Blitz": "2"},
    "Tree": {"Name": "Tester", "MinGames": "9"},
    "Blundercheck": {"Time": "99"},
}


def reader():
    config = configparser.ConfigParser(strict=True, interpolation=None)
    config.optionxform = str
    return config


def check(path, screen):
    config = reader()
    config.read(path, encoding="utf-8")
    errors = []
    for group, keys in GROUPS.items():
        if not config.has_section(group):
            errors.append("missing group " + group)
            continue
        found = list(config[group].keys())
        wanted = [k for k, _ in keys]
        if found != wanted:
            errors.append("%s keys %s, wanted %s" % (group, found, wanted))
        for key, value in keys:
            text = config[group].get(key)
            if value == "SCREEN":
                value = screen
            if text is None or (value is None and not text) or (value is not None and text != value):
                errors.append("%s/%s = %r, wanted %r" % (group, key, text, value))
    for e in errors:
        print(e)
    return 1 if errors else 0


def change(path):
    config = reader()
    config.read(path, encoding="utf-8")
    for group, values in CHANGES.items():
        for key, value in values.items():
            config[group][key] = value
    with open(path, "w", encoding="utf-8") as f:
        config.write(f)
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "check":
        sys.exit(check(sys.argv[2], sys.argv[3]))
    sys.exit(change(sys.argv[2]))
