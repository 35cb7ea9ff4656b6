// Resource and control ids of the ports dialogs (plain #defines, included by resource.h).
#pragma once
