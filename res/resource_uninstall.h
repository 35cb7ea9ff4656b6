// Resource and control ids of the uninstall dialogs (plain #defines, included by resource.h).
#pragma once
