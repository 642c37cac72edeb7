#include "zorhost/surface/CadKernel.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Message_PrinterOStream.hxx>

#include <mutex>
#include <utility>

namespace {

// Keeps the kernel's warnings and failures for the next message of ours.
class KeptMessages final : public Message_Printer {
 public:
  std::string Take() { return std::exchange(kept_, {}); }

 protected:
  void send(const TCollection_AsciiString& text, const Message_Gravity gravity) const override {
    if (gravity < Message_Warning || kept_.size() > 4000) return;
    if (!kept_.empty()) kept_ += "; ";
    kept_ += text.ToCString();
  }

 private:
  mutable std::string kept_;
};

KeptMessages* kept = nullptr;

}  // namespace

void ZORQuietKernel() {
  static std::once_flag once;
  std::call_once(once, [] {
    const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
    messenger->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
    kept = new KeptMessages;
    messenger->AddPrinter(kept);
  });
}

std::string ZORTakeKernelMessages() { return kept != nullptr ? kept->Take() : std::string(); }
