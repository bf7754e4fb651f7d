/* MF_API: the command library of the KOV450 contactless reader.
 *
 * One connection per process. Every function returns a 32-bit status code: 0 is success, 9 means
 * the port is held by another program, positive codes are reader and card errors, negative codes
 * are host-side errors. Buffers are the caller's; a function writes exactly the number of bytes
 * given below for it and never more. Integer arguments are passed by value in one 32-bit word.
 */
#ifndef MF_API_H
#define MF_API_H

#include <stdint.h>

#if defined(_WIN32)
#define MF_CALL __stdcall
#if defined(MF_API_BUILDING)
#define MF_EXPORT __declspec(dllexport)
#else
#define MF_EXPORT __declspec(dllimport)
#endif
#else
#define MF_CALL
#define MF_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. */
#define MF_OK 0
/* Reader and card errors (positive). */
#define MF_ERR_NO_CARD 1           /**< No card answered in the field. */
#define MF_ERR_CARD_NO_ANSWER 2    /**< The selected card stopped answering (taken away). */
#define MF_ERR_AUTH_FAILED 3       /**< Authentication refused: wrong key or key type. */
#define MF_ERR_NOT_AUTHENTICATED 4 /**< The block's sector is not authenticated. */
#define MF_ERR_ACCESS_DENIED 5     /**< The sector's access conditions forbid the operation. */
#define MF_ERR_BAD_BLOCK 6         /**< Block number or count outside the card or the sector. */
#define MF_ERR_NOT_SELECTED 7      /**< No card is selected, or the serial number does not match. */
#define MF_ERR_NOT_VALUE_BLOCK 8   /**< A value operation on a block that is not a value block. */
#define MF_ERR_PORT_BUSY 9         /**< The port is open in another program (or here already). */
#define MF_ERR_BAD_PARAMETER 10    /**< The reader refused an argument (speed, slot, mode). */
#define MF_ERR_UNKNOWN_COMMAND 11  /**< The reader does not know the command. */
#define MF_ERR_NO_VALUE_PENDING 12 /**< MF_transfer without a successful MF_Value before it. */
/* Host-side errors (negative). */
#define MF_ERR_NOT_OPEN (-1)     /**< No port is open. */
#define MF_ERR_TIMEOUT (-2)      /**< The reader did not answer in time. */
#define MF_ERR_BAD_FRAME (-3)    /**< The answer was malformed or failed its CRC. */
#define MF_ERR_DEVICE_GONE (-4)  /**< The device vanished (USB pulled, reader host ended). */
#define MF_ERR_NO_SUCH_PORT (-5) /**< The port name names no device. */
#define MF_ERR_PERMISSION (-6)   /**< The device exists but may not be opened. */
#define MF_ERR_BAD_ARGUMENT (-7) /**< A null buffer or an argument out of range. */
#define MF_ERR_IO (-8)           /**< Any other operating system error on the port. */
#define MF_ERR_BAD_SPEED (-9)    /**< The line speed is not one the port supports. */
#define MF_ERR_UNSAFE_PORT_FOLDER                                                                  \
    (-10) /**< Port folder not safe: another user could plant a                                    \
               name in it, or a name leads to no device. */
#define MF_ERR_UNKNOWN_STATUS                                                                      \
    (-11) /**< The reader answered a status this library does not                                  \
               know. */
#define MF_ERR_NO_SERVICE                                                                          \
    (-12) /**< The PC/SC service (pcscd) is not running: a pcsc port cannot be                     \
               opened. */
#define MF_ERR_LIBRARY_MISSING (-100)  /**< Binding only: the library file was not found. */
#define MF_ERR_FUNCTION_MISSING (-101) /**< Binding only: the library lacks this function. */

/* Value block operations of MF_Value. */
#define MF_VALUE_INCREMENT 1
#define MF_VALUE_DECREMENT 2
#define MF_VALUE_RESTORE 3

/* Key type codes. */
#define MF_KEY_B 0
#define MF_KEY_A 1

/* Request modes. */
#define MF_REQUEST_IDLE 0 /**< REQA: idle cards only. */
#define MF_REQUEST_ALL 1  /**< WUPA: idle and halted cards. */

/** Fills version with the library's version text, zero-terminated, in at most 33 bytes. */
MF_EXPORT int32_t MF_CALL MF_GetDLL_Ver(uint8_t* version);
/** Opens the named port at the given line speed, closing none; 9 if another program holds it
 *  or this process has a port open already. */
MF_EXPORT int32_t MF_CALL MF_InitComm(const char* port, int32_t baud);
/** Closes the open port; with none open it does nothing and returns 0. */
MF_EXPORT int32_t MF_CALL MF_ExitComm(void);
/** Sets the reader's line speed; on success the library follows the reader to it. */
MF_EXPORT int32_t MF_CALL MF_SetDeviceBaud(int32_t device, int32_t baud);
/** Reads the reader's bus address into one byte. */
MF_EXPORT int32_t MF_CALL MF_GetDeviceAddr(int32_t device, uint8_t* address);
/** Gives the reader a new bus address (0 to 255). */
MF_EXPORT int32_t MF_CALL MF_SetDeviceAddr(int32_t device, int32_t address);
/** Reads the reader's version text, zero-terminated, into at most 33 bytes. */
MF_EXPORT int32_t MF_CALL MF_GetDevice_Ver(int32_t device, uint8_t* version);
/** Reads the reader's serial number, 8 bytes, not terminated. */
MF_EXPORT int32_t MF_CALL MF_GetDeviceSNR(int32_t device, uint8_t* serial);
/** Sets the reader's serial number from a zero-terminated text of up to 8 characters. */
MF_EXPORT int32_t MF_CALL MF_SetDeviceSNR(int32_t device, const char* serial);
/** Resets the reader. */
MF_EXPORT int32_t MF_CALL MF_DeviceReset(int32_t device);
/** Sounds the buzzer for the duration held in *duration, in units of 10 ms. */
MF_EXPORT int32_t MF_CALL MF_ControlBuzzer(int32_t device, const int16_t* duration);
/** Sets both LEDs: 1 on, 0 off. */
MF_EXPORT int32_t MF_CALL MF_ControlLED(int32_t device, int32_t red, int32_t green);
/** Switches the RF field on. */
MF_EXPORT int32_t MF_CALL MF_SetRF_ON(int32_t device);
/** Switches the RF field off. */
MF_EXPORT int32_t MF_CALL MF_SetRF_OFF(int32_t device);
/** Sets the Wiegand output: (0, 0) off; (1, n) on with n selecting the frame format. */
MF_EXPORT int32_t MF_CALL MF_SetWiegandMode(int32_t device, int32_t mode, int32_t format);
/** Requests cards (mode 0 REQA, 1 WUPA); writes the 2-byte ATQA and the SAK into 3 bytes, or
 *  three zero bytes when no card answers (and on any other failure with a buffer given). */
MF_EXPORT int32_t MF_CALL MF_Request(int32_t device, int32_t mode, uint8_t* cardType);
/** Runs anticollision; writes the 4-byte serial number of one card. */
MF_EXPORT int32_t MF_CALL MF_Anticoll(int32_t device, uint8_t* serial);
/** Selects the card with the 4-byte serial number. */
MF_EXPORT int32_t MF_CALL MF_Select(int32_t device, const uint8_t* serial);
/** Halts the selected card. */
MF_EXPORT int32_t MF_CALL MF_Halt(int32_t device);
/** Loads a 6-byte key into the reader as its current key. */
MF_EXPORT int32_t MF_CALL MF_LoadKey(int32_t device, const uint8_t* key);
/** Makes the key in the reader's key store slot (0 to 15) of the key type the current key. */
MF_EXPORT int32_t MF_CALL MF_LoadKeyFromEE(int32_t device, int32_t keyType, int32_t slot);
/** Stores a 6-byte key into the reader's key store slot (0 to 15) of the key type. */
MF_EXPORT int32_t MF_CALL MF_StoreKeyToEE(int32_t device, int32_t keyType, int32_t slot,
                                          const uint8_t* key);
/** Authenticates the sector of block with the current key as key type (1 A, 0 B). */
MF_EXPORT int32_t MF_CALL MF_Authentication(int32_t device, int32_t keyType, int32_t block,
                                            const uint8_t* serial);
/** Reads count (1 to 4) blocks from block into 16 * count bytes of data. */
MF_EXPORT int32_t MF_CALL MF_Read(int32_t device, int32_t block, int32_t count, uint8_t* data);
/** Writes count (1 to 4) blocks from 16 * count bytes of data, starting at block. */
MF_EXPORT int32_t MF_CALL MF_Write(int32_t device, int32_t block, int32_t count,
                                   const uint8_t* data);
/** Applies a value operation (MF_VALUE_*) with *value to a value block, into the reader's
 *  transfer buffer. */
MF_EXPORT int32_t MF_CALL MF_Value(int32_t device, int32_t operation, int32_t block,
                                   const int32_t* value);
/** Writes the transfer buffer of the last MF_Value into a value block. */
MF_EXPORT int32_t MF_CALL MF_transfer(int32_t device, int32_t block);

#ifdef __cplusplus
}
#endif

#endif /* MF_API_H */
