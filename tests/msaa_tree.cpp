// msaa_tree.exe: prints what a screen reader reads of a top-level window,
// through MSAA from another process, as a screen reader does. Each window's
// client object is asked of the window itself (WM_GETOBJECT, the object
// marshalled back) and walked depth first, one element a line:
//   DEPTH<tab>ROLE<tab>STATES<tab>NAME
// ROLE as the system names it ("push button", "static text"...), STATES
// "invisible" and/or "unavailable" joined by ",", or "-". Names are UTF-8,
// control characters turned into blanks. An object that gives none of its
// children as objects of their own (the system's standard object of a
// window that answers for itself with nothing, as wine's does) has its child
// windows walked instead, in their order, one level deeper; an element whose
// role its object does not tell is no element a reader shows, and is left
// out.
//
// Usage: msaa_tree.exe TITLE [SECONDS]
// Waits at most SECONDS (default 30) for a visible top-level window titled
// exactly TITLE. Exit status: 0 printed; 1 wrong usage; 2 no such window;
// 3 the window gave no accessible object.
#include <windows.h>
// (after windows.h)
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Interfaces are named by __uuidof: MinGW's oleacc library also exports
// IID_IAccessible, as a stub of code, and a link that finds it there before
// the uuid library's would ask every object for the wrong interface.

namespace {

// A tree deeper or larger than this loops or is not a window's.
constexpr int kMaxDepth = 32;
constexpr int kMaxElements = 2000;

struct Search {
  const wchar_t* title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t title[512];
  if (!IsWindowVisible(window) || GetWindowTextW(window, title, 512) <= 0) return TRUE;
  if (wcscmp(title, search->title) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitForWindow(const wchar_t* title, int seconds) {
  for (int waited = 0; waited <= seconds * 10; ++waited) {
    Search search{title};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(100);
  }
  return nullptr;
}

std::string Utf8(const std::wstring& text) {
  std::wstring clean = text;
  for (wchar_t& c : clean) {
    if (c < L' ') c = L' ';
  }
  int size = WideCharToMultiByte(CP_UTF8, 0, clean.data(), static_cast<int>(clean.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, clean.data(), static_cast<int>(clean.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// Written as bytes: the C runtime would turn "\n" into "\r\n".
void Print(const std::string& line) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
}

std::wstring Name(IAccessible* object, VARIANT child) {
  BSTR name = nullptr;
  if (object->get_accName(child, &name) != S_OK || !name) return L"";
  std::wstring text(name, SysStringLen(name));
  SysFreeString(name);
  return text;
}

// Empty when the object does not tell.
std::wstring Role(IAccessible* object, VARIANT child) {
  VARIANT role;
  VariantInit(&role);
  std::wstring text;
  if (object->get_accRole(child, &role) == S_OK) {
    if (role.vt == VT_I4) {
      wchar_t buffer[128];
      if (GetRoleTextW(static_cast<DWORD>(role.lVal), buffer, 128) > 0) text = buffer;
    } else if (role.vt == VT_BSTR && role.bstrVal) {
      text = role.bstrVal;
    }
  }
  VariantClear(&role);
  return text;
}

std::string States(IAccessible* object, VARIANT child) {
  VARIANT state;
  VariantInit(&state);
  std::string text;
  if (object->get_accState(child, &state) == S_OK && state.vt == VT_I4) {
    if (state.lVal & STATE_SYSTEM_INVISIBLE) text += "invisible";
    if (state.lVal & STATE_SYSTEM_UNAVAILABLE)
      text += text.empty() ? "unavailable" : ",unavailable";
  }
  VariantClear(&state);
  return text.empty() ? "-" : text;
}

class Walker {
 public:
  // The client object of `window` and everything under it. False when the
  // window gave no object.
  bool WalkWindow(HWND window, int depth) {
    IAccessible* client = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&client))) ||
        !client) {
      return false;
    }
    bool objects = false;
    Walk(client, depth, &objects);
    client->Release();
    if (!objects && depth < kMaxDepth) {
      for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WalkWindow(child, depth + 1);
      }
    }
    return true;
  }

 private:
  // One line for `child` of `object` (CHILDID_SELF: the object itself),
  // unless the object does not tell its role. Whether it was printed.
  bool PrintElement(IAccessible* object, long child, int depth) {
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    std::wstring role = Role(object, id);
    if (role.empty()) return false;
    Print(std::to_string(depth) + "\t" + Utf8(role) + "\t" + States(object, id) + "\t" +
          Utf8(Name(object, id)) + "\n");
    ++elements_;
    return true;
  }

  // `object` and everything under it. A child that is an object of its own
  // is walked in turn; a plain element is asked of its parent. Whether the
  // object tells its role; `childObjects`, when given, tells whether any
  // child did as an object of its own.
  bool Walk(IAccessible* object, int depth, bool* childObjects = nullptr) {
    if (childObjects) *childObjects = false;
    if (!PrintElement(object, CHILDID_SELF, depth)) return false;
    long count = 0;
    if (depth >= kMaxDepth || object->get_accChildCount(&count) != S_OK || count <= 0) {
      return true;
    }
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    long got = 0;
    if (FAILED(AccessibleChildren(object, 0, count, children.data(), &got))) return true;
    bool objects = false;
    for (long i = 0; i < got; ++i) {
      VARIANT& child = children[static_cast<std::size_t>(i)];
      if (elements_ < kMaxElements) {
        if (child.vt == VT_DISPATCH && child.pdispVal) {
          IAccessible* inner = nullptr;
          if (SUCCEEDED(child.pdispVal->QueryInterface(__uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&inner)))) {
            if (Walk(inner, depth + 1)) objects = true;
            inner->Release();
          }
        } else if (child.vt == VT_I4) {
          PrintElement(object, child.lVal, depth + 1);
        }
      }
      VariantClear(&child);
    }
    if (childObjects) *childObjects = objects;
    return true;
  }

  int elements_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("Usage: msaa_tree.exe TITLE [SECONDS]\n", stderr);
    return 1;
  }
  int seconds = argc == 3 ? _wtoi(argv[2]) : 30;
  HWND window = WaitForWindow(argv[1], seconds);
  if (!window) {
    std::fprintf(stderr, "msaa_tree: no window titled \"%s\"\n", Utf8(argv[1]).c_str());
    return 2;
  }
  CoInitialize(nullptr);
  bool walked = Walker().WalkWindow(window, 0);
  CoUninitialize();
  if (!walked) {
    std::fputs("msaa_tree: the window gave no accessible object\n", stderr);
    return 3;
  }
  return 0;
}
