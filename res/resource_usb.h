// Resource and control ids of the usb dialogs (plain #defines, included by resource.h).
#pragma once
