#include "app/SessionTransfer.h"

#include "net/TransferWorker.h"

namespace {

class WorkerTransport : public SessionTransport {
 public:
  int Start(HWND dialog, HWND progressBar, const char* targetPath, const char* serverPath,
            int32_t requestKind) override {
    return StartTransfer(dialog, progressBar, targetPath, serverPath, requestKind);
  }
  void Abort() override { RequestTransferAbort(); }
};

WorkerTransport g_worker;
SessionTransport* g_transport = &g_worker;

}  // namespace

SessionTransport& Transport() { return *g_transport; }

void SetSessionTransport(SessionTransport* transport) {
  g_transport = transport ? transport : &g_worker;
}
