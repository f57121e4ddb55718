package chat.crypto;

/**
 * Turns the text of a message into what travels over the wire and back.
 */
public interface Encryption {
    String encrypt(String plain);

    String decrypt(String secret);

    /** Leaves the text as it is. */
    Encryption NONE = new Encryption() {
        public String encrypt(String plain) {
            return plain;
        }

        public String decrypt(String secret) {
            return secret;
        }
    };
}
