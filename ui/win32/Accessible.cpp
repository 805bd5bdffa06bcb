#include "Accessible.h"

#include <oleacc.h>

#include <string>

#include "VariablesGrid.h"
#include "Win32Text.h"
#include "WindowDesign.h"

namespace veltaro {

namespace {

// The grid a window belongs to; null once it has gone.
TVariablesGrid* GridOf(HWND window) {
  return ::IsWindow(window) ? TVariablesGrid::FromHandle(window) : nullptr;
}

BSTR Text(const std::wstring& text) { return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

class TGridAccessible : public IAccessible {
 public:
  explicit TGridAccessible(HWND window) : window_(window) {
    ::CreateStdAccessibleObject(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard_));
  }
  virtual ~TGridAccessible() {
    if (standard_) standard_->Release();
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: not offered.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_ ? standard_->get_accParent(parent) : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    const TVariablesGrid* grid = GridOf(window_);
    if (!grid) return E_FAIL;
    *count = static_cast<long>((grid->Rows().size() + 1) * kGridColumns);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
    *child = nullptr;
    return S_FALSE;  // the cells are simple elements
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    const TVariablesGrid* grid = GridOf(window_);
    int col = 0, row = 0;
    if (!grid) return E_FAIL;
    if (Self(child)) {
      *name = Text(Wide(AccessibleName("sgVariables")));
      return S_OK;
    }
    if (!Cell(*grid, child, col, row)) return E_INVALIDARG;
    if (row == 0) {
      *name = Text(Wide(grid->Cell(col, 0)));
      return S_OK;
    }
    *name = Text(Wide(grid->Cell(0, row) + ", " + grid->Cell(col, 0) + ", " + grid->Cell(col, row)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    const TVariablesGrid* grid = GridOf(window_);
    int col = 0, row = 0;
    if (!grid) return E_FAIL;
    if (Self(child) || !Cell(*grid, child, col, row)) {
      *value = nullptr;
      return Self(child) ? S_FALSE : E_INVALIDARG;
    }
    *value = Text(Wide(grid->Cell(col, row)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
    *text = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    const TVariablesGrid* grid = GridOf(window_);
    int col = 0, row = 0;
    if (!grid) return E_FAIL;
    role->vt = VT_I4;
    if (Self(child)) {
      role->lVal = ROLE_SYSTEM_TABLE;
      return S_OK;
    }
    if (!Cell(*grid, child, col, row)) return E_INVALIDARG;
    role->lVal = row == 0 ? ROLE_SYSTEM_COLUMNHEADER : col == 0 ? ROLE_SYSTEM_ROWHEADER : ROLE_SYSTEM_CELL;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const TVariablesGrid* grid = GridOf(window_);
    int col = 0, row = 0;
    if (!grid) return E_FAIL;
    const bool focused = ::GetFocus() == window_ || (grid->Editor() && ::GetFocus() == grid->Editor());
    state->vt = VT_I4;
    if (Self(child)) {
      state->lVal = STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
      return S_OK;
    }
    if (!Cell(*grid, child, col, row)) return E_INVALIDARG;
    if (row == 0 || col == 0) {
      state->lVal = STATE_SYSTEM_READONLY;
      return S_OK;
    }
    const bool current = col == grid->Col() && row == grid->Row();
    state->lVal = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE |
                  (current ? STATE_SYSTEM_SELECTED : 0) | (current && focused ? STATE_SYSTEM_FOCUSED : 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    *help = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    *file = nullptr;
    *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    *shortcut = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    const TVariablesGrid* grid = GridOf(window_);
    if (!grid) return E_FAIL;
    focus->vt = VT_EMPTY;
    if (::GetFocus() != window_ && !(grid->Editor() && ::GetFocus() == grid->Editor())) return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = GridCellChildId(grid->Col(), grid->Row());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    const TVariablesGrid* grid = GridOf(window_);
    if (!grid) return E_FAIL;
    selection->vt = VT_I4;
    selection->lVal = GridCellChildId(grid->Col(), grid->Row());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override {
    *action = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    TVariablesGrid* grid = GridOf(window_);
    int col = 0, row = 0;
    if (!grid) return E_FAIL;
    if (Self(child) || !Cell(*grid, child, col, row) || row == 0 || col == 0) return E_INVALIDARG;
    if (flags & SELFLAG_TAKEFOCUS) ::SetFocus(window_);
    grid->SetCurrentCell(col, row);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    const TVariablesGrid* grid = GridOf(window_);
    int col = 0, row = 0;
    if (!grid) return E_FAIL;
    if (Self(child)) return standard_ ? standard_->accLocation(left, top, width, height, child) : E_FAIL;
    if (!Cell(*grid, child, col, row)) return E_INVALIDARG;
    const RECT cell = grid->CellRect(col, row);
    POINT origin{cell.left, cell.top};
    ::ClientToScreen(window_, &origin);
    *left = origin.x;
    *top = origin.y;
    *width = cell.right - cell.left;
    *height = cell.bottom - cell.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override {
    end->vt = VT_EMPTY;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    const TVariablesGrid* grid = GridOf(window_);
    if (!grid) return E_FAIL;
    POINT at{x, y};
    ::ScreenToClient(window_, &at);
    child->vt = VT_EMPTY;
    RECT client;
    ::GetClientRect(window_, &client);
    if (!::PtInRect(&client, at)) return S_FALSE;
    child->vt = VT_I4;
    child->lVal = CHILDID_SELF;
    for (int row = 0; row <= static_cast<int>(grid->Rows().size()); ++row)
      for (int col = 0; col < kGridColumns; ++col) {
        const RECT cell = grid->CellRect(col, row);
        // The header row comes first, over rows scrolled out above it.
        if (::PtInRect(&cell, at)) {
          child->lVal = GridCellChildId(col, row);
          return S_OK;
        }
      }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  static bool Self(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
  static bool Cell(const TVariablesGrid& grid, const VARIANT& child, int& col, int& row) {
    if (child.vt != VT_I4 || child.lVal < 1) return false;
    const long index = child.lVal - 1;
    col = static_cast<int>(index % kGridColumns);
    row = static_cast<int>(index / kGridColumns);
    return row <= static_cast<int>(grid.Rows().size());
  }

  LONG references_ = 1;
  HWND window_;
  IAccessible* standard_ = nullptr;
};

// The system's object of a control with another name; everything else is
// the system's.
class TNamedAccessible : public IAccessible {
 public:
  TNamedAccessible(IAccessible* standard, std::wstring name) : standard_(standard), name_(std::move(name)) {}
  virtual ~TNamedAccessible() { standard_->Release(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return standard_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT n, LCID l, ITypeInfo** t) override {
    return standard_->GetTypeInfo(n, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID i, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return standard_->GetIDsOfNames(i, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID i, LCID l, WORD f, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                                   UINT* a) override {
    return standard_->Invoke(d, i, l, f, p, r, e, a);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return standard_->get_accParent(p); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* c) override { return standard_->get_accChildCount(c); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT v, IDispatch** c) override { return standard_->get_accChild(v, c); }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (child.vt == VT_I4 && child.lVal == CHILDID_SELF) {
      *name = Text(name_);
      return S_OK;
    }
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT v, BSTR* t) override { return standard_->get_accValue(v, t); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT v, BSTR* t) override {
    return standard_->get_accDescription(v, t);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT v, VARIANT* r) override { return standard_->get_accRole(v, r); }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* s) override { return standard_->get_accState(v, s); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT v, BSTR* t) override { return standard_->get_accHelp(v, t); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT v, long* t) override {
    return standard_->get_accHelpTopic(f, v, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT v, BSTR* t) override {
    return standard_->get_accKeyboardShortcut(v, t);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return standard_->get_accFocus(f); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return standard_->get_accSelection(s); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* t) override {
    return standard_->get_accDefaultAction(v, t);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT v) override { return standard_->accSelect(f, v); }
  HRESULT STDMETHODCALLTYPE accLocation(long* l, long* t, long* w, long* h, VARIANT v) override {
    return standard_->accLocation(l, t, w, h, v);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override {
    return standard_->accNavigate(d, s, e);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override { return standard_->accHitTest(x, y, c); }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override { return standard_->accDoDefaultAction(v); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT v, BSTR t) override { return standard_->put_accValue(v, t); }

 private:
  LONG references_ = 1;
  IAccessible* standard_;
  std::wstring name_;
};

}  // namespace

LRESULT NamedAccessibleObject(HWND control, WPARAM flags, LPARAM objectId, const wchar_t* name) {
  if (static_cast<long>(objectId) != OBJID_CLIENT) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(::CreateStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard))) ||
      !standard)
    return 0;
  auto* object = new TNamedAccessible(standard, name);
  const LRESULT result = ::LresultFromObject(IID_IAccessible, flags, object);
  object->Release();
  return result;
}

LRESULT GridAccessibleObject(HWND grid, WPARAM flags, LPARAM objectId) {
  if (static_cast<long>(objectId) != OBJID_CLIENT) return 0;
  auto* object = new TGridAccessible(grid);
  const LRESULT result = ::LresultFromObject(IID_IAccessible, flags, object);
  object->Release();
  return result;
}

}  // namespace veltaro
