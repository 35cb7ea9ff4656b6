#!/usr/bin/env python3
"""Checks a built Windows Installer package from its tables, as msitools exports them.

    check-msi.py PACKAGE.msi

What Microsoft's validation (the ICE rules) would find in what the tables alone show, for the
rules that matter to this package:
  - every row's values fit their columns (a value where the column takes none, integers in
    range, strings within their length), keys of the package's own tables are identifiers, and
    every reference to another table's row finds it (ICE03);
  - REINSTALLMODE is not in the Property table, and a RemoveIniFile row that deletes a tag
    names it (ICE40);
  - every custom action's type is one Windows Installer knows, and only a deferred action asks
    to run without impersonation (ICE68);
and the package's own rules: each program or library the File table installs carries a
Version (without one Windows Installer treats it as data a user may have changed), the
Property table sets MsiLogging with logging mode letters only, and a type 51 action sets
ARPINSTALLLOCATION after CostFinalize.

Prints each finding and "check-msi: FAILED: N findings", or "check-msi: no findings"; exits 1
when anything was found.
"""
import os
import re
import subprocess
import sys
import tempfile

# The actions Windows Installer itself provides, as sequence tables may name them.
STANDARD_ACTIONS = set("""
AllocateRegistrySpace AppSearch BindImage CCPSearch CostFinalize CostInitialize CreateFolders
CreateShortcuts DeleteServices DisableRollback DuplicateFiles ExecuteAction FileCost
FindRelatedProducts ForceReboot InstallAdminPackage InstallExecute InstallExecuteAgain
InstallFiles InstallFinalize InstallInitialize InstallODBC InstallServices InstallSFPCatalogFile
InstallValidate IsolateComponents LaunchConditions MigrateFeatureStates MoveFiles
MsiConfigureServices MsiPublishAssemblies MsiUnpublishAssemblies PatchFiles ProcessComponents
PublishComponents PublishFeatures PublishProduct RegisterClassInfo RegisterComPlus
RegisterExtensionInfo RegisterFonts RegisterMIMEInfo RegisterProduct RegisterProgIdInfo
RegisterTypeLibraries RegisterUser RemoveDuplicateFiles RemoveEnvironmentStrings
RemoveExistingProducts RemoveFiles RemoveFolders RemoveIniValues RemoveODBC RemoveRegistryValues
RemoveShortcuts ResolveSource RMCCPSearch ScheduleReboot SelfRegModules SelfUnregModules
SetODBCFolders StartServices StopServices UnpublishComponents UnpublishFeatures
UnregisterClassInfo UnregisterComPlus UnregisterExtensionInfo UnregisterFonts
UnregisterMIMEInfo UnregisterProgIdInfo UnregisterTypeLibraries ValidateProductID
WriteEnvironmentStrings WriteIniValues WriteRegistryValues ExecuteAction
""".split())

# References from a column to the key of another table: (table, column) -> table. A column
# that may be empty is checked only where it holds a value.
FOREIGN_KEYS = {
    ("Component", "Directory_"): "Directory",
    ("Directory", "Directory_Parent"): "Directory",
    ("File", "Component_"): "Component",
    ("Feature", "Feature_Parent"): "Feature",
    ("FeatureComponents", "Feature_"): "Feature",
    ("FeatureComponents", "Component_"): "Component",
    ("CreateFolder", "Directory_"): "Directory",
    ("CreateFolder", "Component_"): "Component",
    ("RemoveFile", "Component_"): "Component",
    ("Registry", "Component_"): "Component",
    ("MsiFileHash", "File_"): "File",
}
# Tables whose first key column is an identifier (letters, digits, underscores and periods,
# not starting with a digit or period).
IDENTIFIER_KEYS = ["Binary", "Component", "CustomAction", "Directory", "Feature", "File", "Property"]
IDENTIFIER = re.compile(r"^[A-Za-z_][A-Za-z0-9_.]*$")

# Custom action types by their low six bits (kind and source), as Windows Installer defines
# them; 1, 2, 5 and 6 take their code from the Binary table, 17, 18, 21 and 22 from the File
# table.
ACTION_KINDS = {1, 2, 5, 6, 7, 17, 18, 19, 21, 22, 23, 34, 35, 37, 38, 39, 50, 51, 53, 54}
FROM_BINARY = {1, 2, 5, 6}
FROM_FILE = {17, 18, 21, 22}
EXE_KINDS = {2, 18, 34, 50}
IN_SCRIPT = 0x400
NO_IMPERSONATE = 0x800
PE_EXTENSIONS = (".exe", ".dll", ".sys", ".drv", ".cpl", ".ocx", ".scr")
LOGGING_LETTERS = set("iwearucmopvx!")


# msiinfo writes a tab in a value as it is: the columns that may hold one (the package's
# command lines are separated by tabs) take what a row has over.
TAB_COLUMNS = {"CustomAction": "Target", "Property": "Value"}


def row_of(table, columns, line):
    fields = line.split("\t")
    extra = len(fields) - len(columns)
    if extra > 0 and TAB_COLUMNS.get(table) in columns:
        at = columns.index(TAB_COLUMNS[table])
        fields[at:at + extra + 1] = ["\t".join(fields[at:at + extra + 1])]
    return dict(zip(columns, fields + [""] * len(columns)))


def export(package):
    """The package's tables: name -> (columns, types, rows of dicts)."""
    names = subprocess.run(["msiinfo", "tables", package], check=True, capture_output=True,
                           text=True).stdout.split()
    tables = {}
    package = os.path.abspath(package)
    for name in names:
        if name.startswith("_"):
            continue
        # In a folder of its own: the export of a table of streams writes them as files there.
        with tempfile.TemporaryDirectory() as folder:
            idt = subprocess.run(["msiinfo", "export", package, name], check=True, capture_output=True,
                                 cwd=folder).stdout
        lines = re.split(r"\r?\n", idt.decode("utf-8", errors="replace"))
        columns, types = lines[0].split("\t"), lines[1].split("\t")
        rows = [row_of(name, columns, line) for line in lines[3:] if line]
        tables[name] = (columns, types, rows)
    return tables


def check_values(tables, say):
    for name, (columns, types, rows) in tables.items():
        for row in rows:
            for column, kind in zip(columns, types):
                value, letter, size = row[column], kind[0], int(kind[1:] or 0)
                where = f"{name}.{column} of {list(row.values())[0]!r}"
                if value == "" and letter.islower() and letter != "v":
                    say(f"ICE03: {where} is empty, and the column takes no empty value")
                elif value and letter in "iI":
                    limit = 32767 if size == 2 else 2147483647
                    if not re.fullmatch(r"-?\d+", value) or not -limit <= int(value) <= limit:
                        say(f"ICE03: {where} is {value!r}, not an integer of {size} bytes")
                elif value and letter in "sSlL" and size and len(value) > size:
                    say(f"ICE03: {where} is longer than {size} characters")
    for name in IDENTIFIER_KEYS:
        for row in tables.get(name, ((), (), []))[2]:
            key = row[tables[name][0][0]]
            if not IDENTIFIER.match(key):
                say(f"ICE03: {name} key {key!r} is not an identifier")
    keys = {name: {row[table[0][0]] for row in table[2]} for name, table in tables.items()}
    for (name, column), target in FOREIGN_KEYS.items():
        for row in tables.get(name, ((), (), []))[2]:
            value = row.get(column, "")
            if value and value not in keys.get(target, set()):
                say(f"ICE03: {name}.{column} {value!r} names no row of {target}")
    for row in tables.get("Component", ((), (), []))[2]:
        if row["KeyPath"] and not int(row["Attributes"] or 0) & 0x24 and row["KeyPath"] not in keys.get("File", ()):
            say(f"ICE03: Component {row['Component']!r} has the key path {row['KeyPath']!r}, no row of File")
    for sequence in ("InstallExecuteSequence", "InstallUISequence", "AdminExecuteSequence", "AdvtExecuteSequence"):
        for row in tables.get(sequence, ((), (), []))[2]:
            action = row["Action"]
            if action not in STANDARD_ACTIONS and action not in keys.get("CustomAction", ()) \
                    and action not in keys.get("Dialog", ()):
                say(f"ICE03: {sequence} runs {action!r}, neither a standard action nor one of the package's")


def check_ice40(tables, say):
    properties = {row["Property"]: row["Value"] for row in tables.get("Property", ((), (), []))[2]}
    if "REINSTALLMODE" in properties:
        say("ICE40: REINSTALLMODE is in the Property table")
    for row in tables.get("RemoveIniFile", ((), (), []))[2]:
        if row["Action"] == "4" and not row["Value"]:
            say(f"ICE40: RemoveIniFile {row['RemoveIniFile']!r} deletes a tag without naming it")


def check_ice68(tables, say):
    keys = {name: {row[table[0][0]] for row in table[2]} for name, table in tables.items()}
    for row in tables.get("CustomAction", ((), (), []))[2]:
        action, kind = row["Action"], int(row["Type"])
        base, returns, schedule = kind & 0x3F, kind & 0xC0, kind & 0x700
        if base not in ACTION_KINDS:
            say(f"ICE68: custom action {action!r} has type {kind}, not a valid action type")
        if returns == 0xC0 and base not in EXE_KINDS:
            say(f"ICE68: custom action {action!r} runs without waiting, which only a program can")
        if schedule == 0x700:
            say(f"ICE68: custom action {action!r} has type {kind}, an unknown execution option")
        if kind & IN_SCRIPT and base in (19, 35, 51):
            say(f"ICE68: custom action {action!r} is deferred, which a type {base} action cannot be")
        if kind & NO_IMPERSONATE and not kind & IN_SCRIPT:
            say(f"ICE68: custom action {action!r} is marked to run elevated but is not deferred")
        source = row["Source"]
        if base in FROM_BINARY and source not in keys.get("Binary", ()):
            say(f"ICE68: custom action {action!r} takes its code from {source!r}, no row of Binary")
        if base in FROM_FILE and source not in keys.get("File", ()):
            say(f"ICE68: custom action {action!r} takes its code from {source!r}, no row of File")


def check_package_rules(tables, say):
    for row in tables.get("File", ((), (), []))[2]:
        name = row["FileName"].split("|")[-1].lower()
        if name.endswith(PE_EXTENSIONS) and not re.fullmatch(r"\d+(\.\d+){1,3}", row["Version"]):
            say(f"File {row['File']!r} ({name}) carries no version")
    properties = {row["Property"]: row["Value"] for row in tables.get("Property", ((), (), []))[2]}
    logging = properties.get("MsiLogging", "")
    if not logging or not set(logging.lower()) <= LOGGING_LETTERS:
        say(f"MsiLogging is {logging!r}, not a logging mode")
    actions = {row["Action"]: row for row in tables.get("CustomAction", ((), (), []))[2]}
    sequence = {row["Action"]: int(row["Sequence"] or 0)
                for row in tables.get("InstallExecuteSequence", ((), (), []))[2]}
    setters = [name for name, row in actions.items()
               if int(row["Type"]) & 0x3F == 51 and row["Source"] == "ARPINSTALLLOCATION"
               and sequence.get(name, 0) > sequence.get("CostFinalize", 1 << 30)]
    if not setters:
        say("no type 51 action sets ARPINSTALLLOCATION after CostFinalize")


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    findings = []
    tables = export(sys.argv[1])
    for check in (check_values, check_ice40, check_ice68, check_package_rules):
        check(tables, findings.append)
    for finding in findings:
        print(f"check-msi: {finding}")
    if findings:
        print(f"check-msi: FAILED: {len(findings)} findings in {sys.argv[1]}")
        return 1
    print(f"check-msi: no findings in {sys.argv[1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
