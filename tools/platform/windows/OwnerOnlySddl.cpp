#include "tools/platform/windows/OwnerOnlySddl.h"

std::string PlatWin_OwnerOnlySddl(const std::string& creatorSid, const PlatGrant* grant) {
  std::string sddl = "D:P(A;;FA;;;" + creatorSid + ")";
  if (grant) {
    sddl.append(grant->rights == PlatGrantRights::Read ? "(A;;FR;;;" : "(A;;FRFW;;;").append(grant->sid).append(")");
  }
  return sddl;
}
