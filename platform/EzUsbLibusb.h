// The adapter driver over libusb-1.0. "Ezusb-N" is the N-th attached adapter, in bus and
// address order, recognised by vendor and product id before anything is opened; pipe i is
// the i-th endpoint of its interface 0, alternate setting 0. Devices stay open underneath
// between the program's per-transaction open and close, so those cost microseconds; the
// interface is claimed only between them. A device that disappears is dropped and its
// requests fail.
#pragma once

#include <memory>

#include "platform/EzUsbDriver.h"

// timeoutMs bounds every bulk transfer.
std::unique_ptr<EzUsbDriver> MakeLibusbEzUsbDriver(unsigned timeoutMs = 1000);
