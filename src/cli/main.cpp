#include "cli/commandline.h"

int main(int argc, char **argv)
{
    return velt::runVelt(argc, argv);
}
