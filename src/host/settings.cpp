#include "host/settings.h"

PluginSettings pluginSettings = defaultSettings;
