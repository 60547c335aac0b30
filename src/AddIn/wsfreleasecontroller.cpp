#include "AddIn/wsfreleasecontroller.h"

extern "C" void WSF_ReleaseContoller(tarvo::IUnknown* object)
{
    if (object)
        object->Release();
}
