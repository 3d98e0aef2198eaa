/* Resource ids, shared by resources/instalar.rc and the code: plain
   preprocessor text, so that windres and rc.exe read it too. */
#ifndef VORLAN_WIN32_RESOURCES_H
#define VORLAN_WIN32_RESOURCES_H

#define IDI_VORLAN 1
#define IDR_PRESENTACION 101

#endif
