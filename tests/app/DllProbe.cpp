// Loads the DLL named on its command line by bare name, the way that takes
// a copy beside the program first: shows that a planted DLL is loaded
// where nothing keeps it out. Exit code 0 when the load succeeded.
#include <windows.h>

int main(int argc, char** argv) {
    return argc == 2 && LoadLibraryA(argv[1]) ? 0 : 1;
}
