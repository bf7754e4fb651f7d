/* reader.c: a first program over MF_API. It opens a KOV450 reader, prints the library's and
 * the reader's versions, and the serial number of a card in the reader's field.
 *
 *   cc reader.c -o reader $(pkg-config --cflags --libs mf_api)
 *   ./reader          the port COM1
 *   ./reader USB      or any port name: /dev/ttyUSB0, socket://HOST:4001, pcsc, ...
 *
 * Try it without a reader: start kov450-emu, which publishes an emulated reader as COM1 and USB
 * with a card in its field. */
#include <MF_API.h>

#include <stdio.h>

int main(int argc, char** argv) {
    const char* port = argc > 1 ? argv[1] : "COM1";
    uint8_t text[33] = {0};
    if (MF_GetDLL_Ver(text) != MF_OK) {
        return 1;
    }
    printf("library: %s\n", (const char*)text);

    int32_t status = MF_InitComm(port, 9600);
    if (status != MF_OK) {
        fprintf(stderr, "%s: not opened, status %d\n", port, (int)status);
        if (status == MF_ERR_PERMISSION) {
            fprintf(stderr, "join the dialout group: sudo adduser $USER dialout, then log in "
                            "again\n");
        }
        return 1;
    }
    status = MF_GetDevice_Ver(0, text);
    if (status == MF_OK) {
        printf("reader: %s\n", (const char*)text);
    }

    /* Wake any card in the field (halted ones too), then read its serial number. */
    uint8_t type[3] = {0};
    uint8_t serial[4] = {0};
    if (status == MF_OK) {
        status = MF_Request(0, MF_REQUEST_ALL, type);
    }
    if (status == MF_OK) {
        status = MF_Anticoll(0, serial);
    }
    if (status == MF_OK) {
        printf("card: %02X%02X%02X%02X\n", serial[0], serial[1], serial[2], serial[3]);
    } else if (status == MF_ERR_NO_CARD) {
        printf("card: none in the field\n");
        status = MF_OK;
    } else {
        fprintf(stderr, "%s: status %d\n", port, (int)status);
    }
    MF_ExitComm();
    return status == MF_OK ? 0 : 1;
}
