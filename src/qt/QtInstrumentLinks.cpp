#include "qt/QtInstrumentLinks.h"

#include <QtGlobal>

#include "qt/SerialInstrumentLink.h"
#include "qt/TcpInstrumentLink.h"
#ifdef Q_OS_LINUX
#include "qt/UsbtmcInstrumentLink.h"
#endif

namespace pw {

std::unique_ptr<IInstrumentLink> QtInstrumentLinks::Create(const InstrumentAddress& address, std::string& why) {
  switch (address.kind) {
    case InstrumentAddress::Kind::Tcp:
      return std::make_unique<TcpInstrumentLink>(address.host, address.port);
    case InstrumentAddress::Kind::Serial:
      return std::make_unique<SerialInstrumentLink>(address.device, address.baud);
    case InstrumentAddress::Kind::Usbtmc:
#ifdef Q_OS_LINUX
      return std::make_unique<UsbtmcInstrumentLink>(address.device);
#else
      why =
          "usbtmc: addresses (USB test-and-measurement devices) can be reached on Linux only; "
          "use the instrument's network (tcp:) or serial (serial:) address";
      return nullptr;
#endif
    case InstrumentAddress::Kind::None:
      break;
  }
  why = "no address";
  return nullptr;
}

}  // namespace pw
