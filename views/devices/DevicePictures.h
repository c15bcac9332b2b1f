// The device and partition icons of the device views, drawn by the program for the ids the resources
// lack (32 x 32 on magenta, which is left transparent). User-interface thread only.
#pragma once

void InstallDevicePictures();
