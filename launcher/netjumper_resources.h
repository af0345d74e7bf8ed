#pragma once
// Puts NetJumper's dialog template and icon into the resource tables. Idempotent.
void RegisterNetJumperResources();
