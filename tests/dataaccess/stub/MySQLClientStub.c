/* A stand-in for the MySQL client library: it reports a version and lacks every other entry point,
   mysql_next_result included. */
const char* mysql_get_client_info(void) {
    return "3.3.20-stub";
}
