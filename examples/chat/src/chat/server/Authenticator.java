package chat.server;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.HashMap;
import java.util.Map;

/**
 * Checks passwords against a file of "name:sha256-hex" lines.
 */
public class Authenticator {
    private final Map<String, String> hashes = new HashMap<>();

    public Authenticator(String fileName) {
        try {
            for (String line : Files.readAllLines(Paths.get(fileName), StandardCharsets.UTF_8)) {
                String[] parts = line.split(":", 2);
                if (parts.length == 2) {
                    hashes.put(parts[0], parts[1].trim());
                }
            }
        } catch (IOException e) {
            System.err.println("No users loaded: " + e.getMessage());
        }
    }

    public boolean isRegistered(String user) {
        return hashes.containsKey(user);
    }

    public boolean check(String user, String password) throws IOException {
        String expected = hashes.get(user);
        return expected != null && expected.equals(sha256(password));
    }

    static String sha256(String text) throws IOException {
        try {
            byte[] digest = MessageDigest.getInstance("SHA-256")
                    .digest(text.getBytes(StandardCharsets.UTF_8));
            return String.format("%064x", new java.math.BigInteger(1, digest));
        } catch (NoSuchAlgorithmException e) {
            throw new IOException("SHA-256 is missing", e);
        }
    }
}
