// Input forms: the refillable input buffer and the PCM buffer of the player, over an input driver.
#include <cstdlib>
#include <cstring>

#include "sound/kvox.h"

extern const KvoxInputDriver KvoxFileInput;
extern const KvoxInputDriver KvoxMemoryInput;

const KvoxInputDriver* const KVOX_InputDrivers[2] = {&KvoxFileInput, &KvoxMemoryInput};

int32_t KVOX_InitForm(KvoxForm* form, const void* a, int32_t b, int32_t bufferBytes, int32_t inputType) {
  if (!form) return -1;
  form->bufferBytes = bufferBytes;
  form->pcmTarget = bufferBytes - 5000;
  form->pcm = nullptr;
  form->pcmFill = 0;
  form->input = nullptr;
  form->available = 0;
  form->readPointer = nullptr;
  form->refillThreshold = 2500;
  form->pcm = static_cast<uint8_t*>(KVOX_malloc(bufferBytes));
  form->input = static_cast<uint8_t*>(KVOX_malloc(bufferBytes));
  form->readPointer = form->input;
  if (inputType != KVOX_INPUT_FILE && inputType != KVOX_INPUT_MEMORY)
    KVOX_SysError("Invalid input type (%d)", inputType);
  form->driver = KVOX_InputDrivers[inputType];
  form->driver->Open(form, a, b);
  return 0;
}

int32_t KVOX_RefillForm(KvoxForm* form) {
  if (!form || !form->driver || !form->input) return -1;
  if (form->available < 0) form->available = 0;
  if (form->available > form->bufferBytes) form->available = form->bufferBytes;
  if (form->available >= form->refillThreshold) return 0;
  if (form->available > 0) memmove(form->input, form->readPointer, size_t(form->available));
  form->readPointer = form->input;   // the moved bytes start the buffer now
  int32_t got = form->driver->Read(form, form->input + form->available, form->bufferBytes - form->available);
  if (got < 0) {
    form->refillThreshold = 0;
    return -1;
  }
  if (got > form->bufferBytes - form->available) got = form->bufferBytes - form->available;
  form->available += got;
  return 0;
}

int32_t KVOX_GetSizeForm(KvoxForm* form) { return form && form->driver ? form->driver->GetSize(form) : -1; }

int32_t KVOX_UninitForm(KvoxForm* form) {
  if (!form) return -1;
  free(form->pcm);
  form->pcm = nullptr;
  free(form->input);
  form->input = nullptr;
  form->readPointer = nullptr;
  form->available = 0;
  form->pcmFill = 0;
  if (form->driver) form->driver->Close(form);
  form->driver = nullptr;
  return 0;
}
