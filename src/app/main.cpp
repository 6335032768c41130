#include <windows.h>

#include "log/logger.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Logger::getInstance()->write("QeltWatch start!");
    return 0;
}
