// fluxa-usb: the service, configuration and diagnostic tool's window.

#include "app/NexaroApp.h"

int main(int argc, char* argv[])
{
    CNexaroApp application;
    return application.Run(argc, argv);
}
