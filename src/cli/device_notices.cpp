#include "cli/device_notices.h"

#include "cli/run_preparation.h"

namespace cli {

void DeviceNotices::OpenFailed(const std::string& name, const platform::OpenResult& result) {
  // The dialog logic goes on as it would in the window.
  sink_.Complaint(DescribeOpenFailure(name, result));
}

void DeviceNotices::LineInTrouble(const std::string& device, platform::LineTrouble trouble,
                                  const std::string& detail) {
  if (const std::string text = DescribeLineTrouble(device, trouble, detail, lost_); !text.empty()) {
    sink_.Complaint(text);
  }
}

}  // namespace cli
