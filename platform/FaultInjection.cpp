#include "platform/FaultInjection.h"

namespace {
struct Fault {
  int count = 0;
  PlatFileResult result;
};

constexpr int kPoints = 4;
Fault faults[kPoints];

Fault& FaultAt(PlatFaultPoint point) { return faults[static_cast<int>(point)]; }
}  // namespace

void Plat_InjectFault(PlatFaultPoint point, int count, PlatFileResult result) {
  FaultAt(point) = Fault{count, result};
}

void Plat_ClearFaults() {
  for (Fault& f : faults) f = Fault{};
}

bool Plat_TakeFault(PlatFaultPoint point, PlatFileResult& result) {
  Fault& f = FaultAt(point);
  if (f.count <= 0) return false;
  --f.count;
  result = f.result;
  return true;
}
