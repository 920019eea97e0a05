#include "history/module/HistoryModuleImpl.h"

#include "history/CHistoryDlg.h"

namespace {

class HistoryModuleImpl : public IHistoryModule {
 public:
  IHistoryWindow* CreateHistoryWindow(QWidget* owner) override { return new CHistoryDlg(owner); }
};

}  // namespace

IHistoryModule* HistoryModuleInstance() {
  static HistoryModuleImpl module;
  return &module;
}
