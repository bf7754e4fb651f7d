/* A plain C program that loads libMF_API.so at run time, as the reader's client programs do,
 * and drives a reader through it.
 *
 *   mf_api_probe LIBRARY open PORT      opens PORT and prints "status N"
 *   mf_api_probe LIBRARY sequence PORT  request, anticollision, select, load key 7D x 6,
 *                                       authenticate block 4 with key type 0, read block 4,
 *                                       write it back with a new byte 0 and read it again;
 *                                       then holds the port until standard input ends.
 * Exit status 0 when every call returned 0.
 */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef int32_t (*InitComm)(const char*, int32_t);
typedef int32_t (*ExitComm)(void);
typedef int32_t (*Request)(int32_t, int32_t, uint8_t*);
typedef int32_t (*Anticoll)(int32_t, uint8_t*);
typedef int32_t (*Select)(int32_t, const uint8_t*);
typedef int32_t (*LoadKey)(int32_t, const uint8_t*);
typedef int32_t (*Authentication)(int32_t, int32_t, int32_t, const uint8_t*);
typedef int32_t (*Read)(int32_t, int32_t, int32_t, uint8_t*);
typedef int32_t (*Write)(int32_t, int32_t, int32_t, const uint8_t*);

static void* library;

/* Fills a function pointer from the library; copied as bytes, the one way ISO C allows. */
static int bind(void* slot, size_t size, const char* name) {
    void* address = dlsym(library, name);
    if (address == NULL) {
        printf("missing %s\n", name);
        return 0;
    }
    memcpy(slot, &address, size);
    return 1;
}

#define BIND(pointer, name) bind(&(pointer), sizeof(pointer), name)

static int step(const char* name, int32_t status) {
    printf("step %s status %d\n", name, (int)status);
    fflush(stdout);
    return status == 0;
}

static int sequence(const char* port) {
    InitComm initComm;
    Request request;
    Anticoll anticoll;
    Select select;
    LoadKey loadKey;
    Authentication authentication;
    Read read;
    Write write;
    if (!BIND(initComm, "MF_InitComm") || !BIND(request, "MF_Request") ||
        !BIND(anticoll, "MF_Anticoll") || !BIND(select, "MF_Select") ||
        !BIND(loadKey, "MF_LoadKey") || !BIND(authentication, "MF_Authentication") ||
        !BIND(read, "MF_Read") || !BIND(write, "MF_Write")) {
        return 0;
    }
    uint8_t cardType[3] = {0};
    uint8_t serial[4] = {0};
    const uint8_t key[6] = {0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
    uint8_t block[16] = {0};
    uint8_t again[16] = {0};
    if (!step("open", initComm(port, 9600)) || !step("request", request(0, 0, cardType)) ||
        !step("anticoll", anticoll(0, serial)) || !step("select", select(0, serial)) ||
        !step("loadkey", loadKey(0, key)) ||
        !step("authentication", authentication(0, 0, 4, serial)) ||
        !step("read", read(0, 4, 1, block))) {
        return 0;
    }
    const uint8_t credit = block[0];
    block[0] = (uint8_t)(credit + 1);
    if (!step("write", write(0, 4, 1, block)) || !step("read again", read(0, 4, 1, again))) {
        return 0;
    }
    if (memcmp(block, again, sizeof block) != 0) {
        printf("read back %u, wrote %u\n", again[0], block[0]);
        return 0;
    }
    printf("sequence ok: credit %u became %u\n", credit, again[0]);
    printf("holding the port\n");
    fflush(stdout);
    char line[16];
    while (fgets(line, sizeof line, stdin) != NULL) {
    }
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: mf_api_probe LIBRARY open|sequence PORT\n");
        return 2;
    }
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        printf("cannot load %s: %s\n", argv[1], dlerror());
        return 2;
    }
    int ok = 0;
    if (strcmp(argv[2], "open") == 0) {
        InitComm initComm;
        if (BIND(initComm, "MF_InitComm")) {
            const int32_t status = initComm(argv[3], 9600);
            printf("status %d\n", (int)status);
            ok = status == 0;
        }
    } else if (strcmp(argv[2], "sequence") == 0) {
        ok = sequence(argv[3]);
    }
    ExitComm exitComm;
    if (BIND(exitComm, "MF_ExitComm")) {
        exitComm();
    }
    dlclose(library);
    return ok ? 0 : 1;
}
