// A serial channel stand-in that only records what is written.
#pragma once

#include <string>
#include <vector>

std::vector<std::string>& RecordedSerialWrites();
