// Windows host test of zonvert.dll, run under wine by tools/check-windows.sh.
//
// It builds an installation root in a fresh temporary folder:
//   ROOT\bin\zonvert.dll, ROOT\template\con_dos.asc, ROOT\template\AREA.las/.los
// loads the DLL with LoadLibraryA, finds the eight exports by their
// undecorated names with GetProcAddress, and without calling SetPath (so the
// DLL must find ROOT from its own location):
//   1. runs the table of conversion_cases.h and checks every case against its
//      expected value and tolerance; one line per case goes to standard
//      output for comparison with the Linux build;
//   2. removes one grid file and checks the message box that names it;
//   3. removes the parameter file and checks the message box that names it;
//   4. reads a parameter file with CR LF line ends and a Ctrl-Z followed by
//      one more record, under a second root set with SetPath.
// Message boxes never reach the screen: the DLL's import address table entry
// for MessageBoxA is replaced by a recorder before the first call, so the
// owner window, caption, text and flags of every message can be checked.
//
// Usage: zonvert_windows_host DLL TEMPLATE_DIR NADCON_DIR
//   DLL           the zonvert.dll to test (copied into ROOT\bin)
//   TEMPLATE_DIR  the folder holding the shipped con_dos.asc
//   NADCON_DIR    the folder holding the fourteen NADCON grid files
// Exit status 0 when every check passes, 1 otherwise, 2 on a setup failure.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "conversion_cases.h"
#include "zonvert.h"

namespace {

constexpr const char* kAreaNames[] = {"conus",    "hawaii", "prvi",  "stlrnc",
                                      "stgeorge", "stpaul", "alaska"};

int gFailures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  gFailures += !ok;
}

[[noreturn]] void SetupFailure(const std::string& what) {
  std::printf("SETUP FAILED: %s (error %lu)\n", what.c_str(), GetLastError());
  std::fflush(stdout);
  std::exit(2);
}

// ---------------------------------------------------------------- messages

struct ShownMessage {
  HWND owner;
  std::string caption;
  std::string text;
  UINT type;
};
std::vector<ShownMessage> gMessages;

// Stands in for MessageBoxA: records the call and answers as if OK was
// pressed.
int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  gMessages.push_back({owner, caption != nullptr ? caption : "", text != nullptr ? text : "", type});
  return IDOK;
}

// Replaces the import address table entry of `function` from `library` in
// the loaded `module` by `replacement`.  Walks the PE import descriptors; the
// names come from the import lookup table (OriginalFirstThunk), the
// addresses that calls go through from the import address table
// (FirstThunk).  False when the module imports no such function by name.
bool PatchImport(HMODULE module, const char* library, const char* function, void* replacement) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return false;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       d->Name != 0; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), library) != 0) continue;
    const DWORD lookup = d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk : d->FirstThunk;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + lookup);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD previous = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &previous)) {
        return false;
      }
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, previous, &previous);
      return true;
    }
  }
  return false;
}

// Checks that exactly one message was shown since the last call and that it
// is `caption` / `text` with the flags `type` and no owner window.
void CheckOneMessage(const std::string& what, const char* caption, const std::string& text,
                     UINT type) {
  Check(gMessages.size() == 1, what + ": one message box (got " +
                                   std::to_string(gMessages.size()) + ")");
  if (!gMessages.empty()) {
    const ShownMessage& m = gMessages[0];
    Check(m.owner == nullptr, what + ": no owner window");
    Check(m.caption == caption, what + ": caption \"" + m.caption + "\"");
    Check(m.text == text, what + ": text \"" + m.text + "\"");
    Check(m.type == type, what + ": flags " + std::to_string(m.type) + ", want " +
                              std::to_string(type));
  }
  gMessages.clear();
}

// ---------------------------------------------------------------- files

std::string ReadBinary(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteBinary(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) SetupFailure("cannot write " + path);
}

void MakeDirectory(const std::string& path) {
  if (!CreateDirectoryA(path.c_str(), nullptr)) SetupFailure("cannot create " + path);
}

void Copy(const std::string& from, const std::string& to) {
  if (!CopyFileA(from.c_str(), to.c_str(), TRUE)) SetupFailure("cannot copy " + from + " to " + to);
}

// Removes a folder and everything in it (best effort: this is clean-up).
void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

// The records of a parameter file: each a code and twenty numbers, as the
// texts of its 21 tokens.
std::vector<std::vector<std::string>> ParameterRecords(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::vector<std::string>> records;
  std::string token;
  while (in >> token) {
    if (records.empty() || records.back().size() == 21) records.emplace_back();
    records.back().push_back(token);
  }
  return records;
}

// One record as Windows text: the code on its own line, the numbers on the
// next, each line ended by CR LF.
std::string WindowsRecordText(const std::vector<std::string>& record) {
  std::string text = record[0] + "\r\n";
  for (size_t i = 1; i < record.size(); ++i) text += (i > 1 ? " " : "") + record[i];
  return text + "\r\n";
}

const zonvert::cases::Case& CaseNamed(const char* name) {
  for (const zonvert::cases::Case& c : zonvert::cases::kCases) {
    if (std::strcmp(c.name, name) == 0) return c;
  }
  SetupFailure(std::string("no case named ") + name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zonvert_windows_host DLL TEMPLATE_DIR NADCON_DIR\n");
    return 2;
  }
  const std::string dllSource = argv[1], templateSource = argv[2], nadconSource = argv[3];

  // ROOT in a fresh folder under the temporary directory.
  char temp[MAX_PATH + 1];
  const DWORD tempLength = GetTempPathA(sizeof temp, temp);
  if (tempLength == 0 || tempLength > MAX_PATH) SetupFailure("no temporary directory");
  std::string root = std::string(temp) + "zonvert-host-" + std::to_string(GetCurrentProcessId()) +
                     "-" + std::to_string(GetTickCount());
  MakeDirectory(root);
  MakeDirectory(root + "\\bin");
  MakeDirectory(root + "\\template");
  const std::string templateDir = root + "\\template\\";
  Copy(dllSource, root + "\\bin\\zonvert.dll");
  Copy(templateSource + "\\con_dos.asc", templateDir + "con_dos.asc");
  for (const char* area : kAreaNames) {
    for (const char* extension : {".las", ".los"}) {
      Copy(nadconSource + "\\" + area + extension, templateDir + area + extension);
    }
  }
  std::printf("root %s\n", root.c_str());

  HMODULE dll = LoadLibraryA((root + "\\bin\\zonvert.dll").c_str());
  if (dll == nullptr) SetupFailure("LoadLibraryA " + root + "\\bin\\zonvert.dll");
  Check(GetModuleHandleA("zonvert.dll") == dll, "the module is known as zonvert.dll");
  if (!PatchImport(dll, "user32.dll", "MessageBoxA", reinterpret_cast<void*>(&RecordMessageBox))) {
    SetupFailure("zonvert.dll imports no MessageBoxA from user32.dll");
  }

  // The eight exports by their undecorated names.
  zonvert::cases::Exports e{};
  bool allFound = true;
  auto find = [&](const char* name, auto* slot) {
    FARPROC address = GetProcAddress(dll, name);
    Check(address != nullptr, std::string("export ") + name);
    allFound = allFound && address != nullptr;
    *slot = reinterpret_cast<std::remove_pointer_t<decltype(slot)>>(
        reinterpret_cast<void (*)()>(address));
  };
  find("LLDRV_NEW", &e.lldrvNew);
  find("lldrv", &e.lldrvTrace);
  find("lldrv_dbl", &e.lldrvDbl);
  find("lldrv_str", &e.lldrvStr);
  find("SetPath", &e.setPath);
  find("Nadcon27To83", &e.nadcon27To83);
  find("Nadcon83To27", &e.nadcon83To27);
  find("NadconClean", &e.nadconClean);
  if (!allFound) SetupFailure("missing exports");

  // 1. The table, with the root derived from the DLL's location.
  std::vector<zonvert::cases::Result> results;
  for (const zonvert::cases::Case& c : zonvert::cases::kCases) {
    results.push_back(zonvert::cases::RunCase(e, c));
    std::fflush(stdout);  // the DLL's trace lines share standard output
    std::printf("case %s%s\n", zonvert::cases::Describe(c, results.back()).c_str(),
                results.back().pass ? "" : " | FAILED");
    gFailures += !results.back().pass;
  }
  Check(gMessages.empty(), "no message box while every file is present");
  gMessages.clear();

  // 2. A missing grid file: one message naming ROOT\template\hawaii.los.
  e.nadconClean();
  const std::string hawaiiLos = templateDir + "hawaii.los";
  if (!MoveFileA(hawaiiLos.c_str(), (hawaiiLos + ".away").c_str())) SetupFailure("move " + hawaiiLos);
  double lon = 0.0, lat = 0.0;
  int32_t status = -1;
  e.nadcon27To83(-117.0, 34.0, &lon, &lat, &status);
  Check(status == ZONVERT_NADCON_OK, "conus still shifts without the hawaii pair");
  CheckOneMessage("grid file", "File not Found",
                  hawaiiLos + " not found.  Conversions may not be computed.",
                  MB_OK | MB_ICONEXCLAMATION);
  if (!MoveFileA((hawaiiLos + ".away").c_str(), hawaiiLos.c_str())) SetupFailure("restore " + hawaiiLos);
  e.nadconClean();

  // 3. A missing parameter file: one message naming ROOT\template\con_dos.asc
  // for a zone that is not cached; the values come back unchanged.
  const std::string parameterFile = templateDir + "con_dos.asc";
  if (!MoveFileA(parameterFile.c_str(), (parameterFile + ".away").c_str())) {
    SetupFailure("move " + parameterFile);
  }
  double pLat = 45.0, pLon = -63.0, pX = 1.25, pY = 2.5;
  e.lldrvNew(&pLat, &pLon, &pX, &pY, 1610, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f, 0.0f, 0.0f);
  Check(pX == 1.25 && pY == 2.5 && pLat == 45.0 && pLon == -63.0,
        "without the parameter file the values come back unchanged");
  CheckOneMessage("parameter file", "lldrv",
                  "File " + parameterFile + " not found! Graphics won't show correctly.", MB_OK);
  if (!MoveFileA((parameterFile + ".away").c_str(), parameterFile.c_str())) {
    SetupFailure("restore " + parameterFile);
  }

  // 4. Text mode: a parameter file with CR LF line ends holding the WGS 84
  // block 1600 and the Cassini-Soldner zone 5201, then a Ctrl-Z, then the
  // Bonne zone 5101, under a second root.  Zone 1634 (not cached) must give
  // the same bits as from the plain file; 5101 lies after the end of the
  // file and must not be found.
  const std::string crlfRoot = root + "\\crlf";
  MakeDirectory(crlfRoot);
  MakeDirectory(crlfRoot + "\\template");
  std::string before, after;
  for (const auto& record : ParameterRecords(ReadBinary(parameterFile))) {
    if (record[0] == "1600" || record[0] == "5201") before += WindowsRecordText(record);
    if (record[0] == "5101") after = WindowsRecordText(record);
  }
  if (before.empty() || after.empty()) SetupFailure("records 1600, 5201, 5101 in con_dos.asc");
  WriteBinary(crlfRoot + "\\template\\con_dos.asc", before + '\x1a' + after);
  e.setPath(crlfRoot.c_str());
  {
    const zonvert::cases::Case& south = CaseNamed("utm34 south to grid");
    const zonvert::cases::Result again = zonvert::cases::RunCase(e, south);
    const zonvert::cases::Result& first = results[&south - zonvert::cases::kCases];
    Check(again.pass && std::memcmp(again.got, first.got, sizeof again.got) == 0,
          "CR LF parameter file: zone 1634 gives the same bits as from the plain file");
    double bLat = 39.5, bLon = -8.5, bX = 1.25, bY = 2.5;
    e.lldrvNew(&bLat, &bLon, &bX, &bY, 5101, ZONVERT_GEOGRAPHIC_TO_GRID, 1, 1, 1, 0.0f, 0.0f, 0.0f);
    std::fflush(stdout);
    Check(bX == 1.25 && bY == 2.5, "nothing after the Ctrl-Z is read: zone 5101 not found");
  }
  Check(gMessages.empty(), "no message box for the CR LF parameter file");
  e.setPath("");

  e.nadconClean();
  FreeLibrary(dll);
  RemoveTree(root);
  std::printf("%s: %d failure(s)\n", gFailures == 0 ? "PASSED" : "FAILED", gFailures);
  return gFailures == 0 ? 0 : 1;
}
