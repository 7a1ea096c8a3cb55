#include "app/commandline.h"
namespace velt {
int runVelt(int, char **) { return 0; }
} // namespace velt
