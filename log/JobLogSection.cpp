#include "log/JobLogSection.h"

JobLogSection::JobLogSection(std::string_view header) {
  if (log_.Open()) log_.Write(header);
}

JobLogSection::~JobLogSection() {
  log_.Write("\n");
  log_.Close();
}

void JobLogSection::Write(std::string_view line) { log_.Write(line); }
