// Control ids of the template DownloadSettings.
#pragma once

#define IDC_SETTINGS_TIME 103             // "&Download available at": DownloadTime
#define IDC_SETTINGS_USE_PROXY 104        // "&Connect via proxy server": UseProxy
#define IDC_SETTINGS_PROXY_HOST 105       // ProxyHost
#define IDC_SETTINGS_PROXY_PORT 106       // ProxyPort
#define IDC_SETTINGS_PROXY_LOGIN 107      // "P&roxy server requires login": ProxyLogin
#define IDC_SETTINGS_PROXY_USER 108       // ProxyUsername
#define IDC_SETTINGS_PROXY_PASSWORD 109   // ProxyPassword
#define IDC_SETTINGS_PROXY_RETYPE 110     // the proxy password again, not stored
#define IDC_SETTINGS_DIRECTORY 133        // "&Set Directory": the directory chooser
#define IDC_SETTINGS_USER 114             // Username
#define IDC_SETTINGS_PASSWORD 115         // Password
#define IDC_SETTINGS_RETYPE 116           // the password again, not stored
#define IDC_SETTINGS_USER_LABEL 117
#define IDC_SETTINGS_TIME_LABEL 118
#define IDC_SETTINGS_PASSWORD_LABEL 119
#define IDC_SETTINGS_RETYPE_LABEL 120
#define IDC_SETTINGS_PROXY_HOST_LABEL 121
#define IDC_SETTINGS_PROXY_PORT_LABEL 122
#define IDC_SETTINGS_PROXY_USER_LABEL 123
#define IDC_SETTINGS_PROXY_PASSWORD_LABEL 124
#define IDC_SETTINGS_PROXY_RETYPE_LABEL 125
#define IDC_SETTINGS_HANGUP 136           // "H&angup modem on exit": HangupOnExit
