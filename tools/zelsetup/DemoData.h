// The demo installation's master data and download rows, relative to a day.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// SQL statements that fill an empty schema with the demo data set: a few
// dozen persons with employment periods, badge assignments, daily cost
// centres and download rows, a calendar from five years before to five years
// after `today`, and the situations the jobs act on.
std::vector<std::string> DemoData_Statements(std::time_t today);

// The tables the demo data fills, master data and download rows.
const std::vector<std::string>& DemoData_Tables();
